@echo off
rem Prints a key code in words, or reads one key and names it.
rem Usage: call keyname.cmd           waits for a key press and names it (keycode.exe needed)
rem        call keyname.cmd CODE      CODE in hex as keycode shows it: call keyname.cmd 2104141
rem                                   (0x2104141 too)
rem        call keyname.cmd #STATUS   the exit status of "keycode *" in decimal:
rem                                   call keyname.cmd #%ERRORLEVEL%
rem Without "call", a batch file that runs it does not go on after it.
rem Prints, for 2104141:  press  A  char 'A'  Shift;  for -1 (#-1, ffffffff):  no key
rem A chord made with the left Windows key held (Windows Terminal) has bit 26 set and is named
rem with LeftWin among its flags: 6004141 is  press  A  char 'A'  LeftWin. The right Windows
rem key's flag lands on the press bit itself, so such a release reads as a press.
rem Exit code 0, or 1 for a code that is not one and when keycode.exe is missing (a message on
rem standard error says which, and where it looked). A key that could not be read (no
rem console, Ctrl+C) is named "no key", and so is any #STATUS that is no key code: below 0
rem (-1, Ctrl+C's -1073741510) or above 134217727.
rem Written without delayed expansion or nested blocks, so that every cmd.exe runs it.
rem It stands alone on purpose, sharing no code with the other examples, and needs
rem keycode.exe only to read a key: copy it anywhere.
rem Its own settings whatever the caller has on: delayed expansion would eat "!".
setlocal EnableExtensions DisableDelayedExpansion
rem A caller's variable named ERRORLEVEL would hide the real status from %ERRORLEVEL%.
set "ERRORLEVEL="
set "arg=%~1"
if not defined arg goto readkey
rem A quote inside the text would end cmd's quoting below; "/" is no digit either.
set "arg=%arg:"=/%"
if "%arg:~0,1%"=="#" goto decimal
set "hex=%arg%"
if /i "%arg:~0,2%"=="0x" set "hex=%arg:~2%"
rem At most eight hex digits, and nothing else: what is left once every digit is taken out
rem must be nothing. (for /f is not used to check it: on Windows it passes over a text whose
rem first character past the delimiters is ";", and Wine's does not.)
if not defined hex goto malformed
if not "%hex:~0,8%"=="%hex%" goto malformed
set "rest=%hex%"
call :digits
if defined rest set "rest=%rest:a=%"
if defined rest set "rest=%rest:b=%"
if defined rest set "rest=%rest:c=%"
if defined rest set "rest=%rest:d=%"
if defined rest set "rest=%rest:e=%"
if defined rest set "rest=%rest:f=%"
if defined rest goto malformed
set /a "code=0x%hex%"
goto decode

:decimal
rem A whole number of at most ten digits, perhaps negative, with no leading zero, which set /a
rem would take for octal (#010 is 8).
set "digits=%arg:~1%"
if not defined digits goto malformed
if "%digits:~0,1%"=="-" set "digits=%digits:~1%"
if not defined digits goto malformed
if not "%digits:~0,10%"=="%digits%" goto malformed
set "rest=%digits%"
call :digits
if defined rest goto malformed
if "%digits:~0,1%"=="0" if not "%digits%"=="0" goto malformed
rem The digits are checked: set /a fails only on a number too large for 32 bits, which is no
rem key code either (Wine's set /a takes it).
set "code=none"
set /a "code=%arg:~1%" 2>nul
if "%code%"=="none" goto nokey
rem A status that is no key code is no key, as getkey and the others take it.
if %code% lss 0 goto nokey
if %code% gtr 134217727 goto nokey
goto decode

:readkey
rem keycode.exe: KEYCODE_EXE when set (any quotes taken off, so that "" is taken as unset;
rem a "/" in it is turned round, as keycode would take it for its own "/"), else
rem beside this file, one folder up (release zip) or on PATH. An empty path is never
rem tested: Wine's cmd takes if exist "" for a syntax error and skips the line.
if defined KEYCODE_EXE set "KEYCODE_EXE=%KEYCODE_EXE:"=%"
rem This file's folder. Called by a quoted name that cmd found on PATH (call "keyname.cmd"),
rem Windows' cmd gives %~dp0 the current folder, where this file is not: PATH finds it
rem again, by the name given or, given without it, with .cmd after it.
set "here=%~dp0"
if not exist "%~f0" for %%F in ("%~n0.cmd" "%~nx0") do if not "%%~$PATH:F"=="" set "here=%%~dp$PATH:F"
set "keycode="
set looked="%here%keycode.exe", "%here%..\keycode.exe" or on PATH
if exist "%here%keycode.exe" set "keycode=%here%keycode.exe"
if not defined keycode if exist "%here%..\keycode.exe" set "keycode=%here%..\keycode.exe"
if not defined keycode for %%P in (keycode.exe) do set "keycode=%%~$PATH:P"
if defined KEYCODE_EXE set "keycode=%KEYCODE_EXE%"
if defined KEYCODE_EXE set looked="%KEYCODE_EXE%", from KEYCODE_EXE
if not defined keycode goto nokeycode
set "keycode=%keycode:/=\%"
rem Its full path, so that the test and the start below look at the same file: cmd runs a
rem name without a "\" from PATH alone where NoDefaultCurrentDirectoryInExePath is set, and
rem "if exist" looks in the current folder. A "*" or "?" in it, which for would match with a
rem file, finds nothing.
set "full="
for %%P in ("%keycode%") do if "%%~P"=="%keycode%" set "full=%%~fP"
if not defined full goto nokeycode
if not exist "%full%" goto nokeycode
set "keycode=%full%"
rem "*" asks for the code of one key press as the exit status. Every key code lies in
rem 0-134217727 (0x7ffffff), and a press has bit 25 (33554432) set; any other status is no
rem key: -1, Ctrl+C's 0xc000013a, and cmd's own for a program it could not start (9009 and
rem the like), which would read as a release.
"%keycode%" *
set /a "code=%ERRORLEVEL%, down=(code >> 25) & 1"
if %code% lss 0 goto nokey
if %code% gtr 134217727 goto nokey
if %down% equ 0 goto nokey

:decode
rem -1 is what keycode gives when it could read no key; bits 27-31 are clear in every key.
if %code% equ -1 goto nokey
set /a "high=(code >> 27) & 31"
if %high% neq 0 goto malformed
rem The flags: the console's control-key state, bit 26 (the left Windows key) as 0x400.
set /a "vk=code & 0xFF, ch=(code >> 8) & 0xFF, flags=(code >> 16) & 0x5FF"
set /a "down=(code >> 25) & 1"
set "words=release "
if %down% equ 1 set "words=press "

rem The key: a name for the common virtual-key codes, else its code in hex.
set "name="
if %vk% geq 48 if %vk% leq 57 set /a "name=vk - 48"
if %vk% geq 65 if %vk% leq 90 call :letter %vk% 64
if %vk% geq 112 if %vk% leq 123 set /a "fkey=vk - 111"
if %vk% geq 112 if %vk% leq 123 set "name=F%fkey%"
if %vk% equ 8 set "name=Backspace"
if %vk% equ 9 set "name=Tab"
if %vk% equ 13 set "name=Enter"
if %vk% equ 16 set "name=Shift"
if %vk% equ 17 set "name=Ctrl"
if %vk% equ 18 set "name=Alt"
if %vk% equ 19 set "name=Pause"
if %vk% equ 20 set "name=CapsLock"
if %vk% equ 27 set "name=Esc"
if %vk% equ 32 set "name=Space"
if %vk% equ 33 set "name=PageUp"
if %vk% equ 34 set "name=PageDown"
if %vk% equ 35 set "name=End"
if %vk% equ 36 set "name=Home"
if %vk% equ 37 set "name=Left"
if %vk% equ 38 set "name=Up"
if %vk% equ 39 set "name=Right"
if %vk% equ 40 set "name=Down"
if %vk% equ 45 set "name=Insert"
if %vk% equ 46 set "name=Delete"
if %vk% equ 91 set "name=LeftWin"
if %vk% equ 92 set "name=RightWin"
if %vk% equ 144 set "name=NumLock"
if %vk% equ 145 set "name=ScrollLock"
if not defined name call :hex %vk%
if not defined name set "name=vk 0x%hx%"
set "words=%words% %name%"

rem The character: letters, digits and space as themselves, anything else in hex; the
rem rest of the printable characters would need escaping for echo.
if %ch% equ 0 goto flags
set "shown="
if %ch% geq 48 if %ch% leq 57 set /a "digit=ch - 48"
if %ch% geq 48 if %ch% leq 57 set "shown='%digit%'"
if %ch% geq 65 if %ch% leq 90 call :letter %ch% 64
if %ch% geq 65 if %ch% leq 90 set "shown='%name_letter%'"
if %ch% geq 97 if %ch% leq 122 call :letter %ch% 96
if %ch% geq 97 if %ch% leq 122 set "shown='%name_letter%'"
if %ch% equ 32 set "shown=' '"
if not defined shown call :hex %ch%
if not defined shown set "shown=0x%hx%"
set "words=%words%  char %shown%"

:flags
rem The control-key flags, lowest bit first as the console numbers them.
call :flag 1 RightAlt
call :flag 2 LeftAlt
call :flag 4 RightCtrl
call :flag 8 LeftCtrl
call :flag 16 Shift
call :flag 32 NumLock
call :flag 64 ScrollLock
call :flag 128 CapsLock
call :flag 256 Enhanced
call :flag 1024 LeftWin
echo %words%
exit /b 0

:nokey
echo no key
exit /b 0

:nokeycode
>&2 echo keyname: keycode.exe not found; looked for %looked%
exit /b 1

rem The text given is never echoed: cmd would act on its special characters.
:malformed
>&2 echo keyname: not a key code
>&2 echo usage: call keyname.cmd           reads a key and names it
>&2 echo        call keyname.cmd CODE      CODE in hex as keycode shows it: 2104141
>&2 echo        call keyname.cmd #STATUS   keycode's exit status in decimal: #%%ERRORLEVEL%%
exit /b 1

rem :letter CODE BASE: the (CODE - BASE)th letter, upper case for BASE 64, lower case for 96,
rem into name_letter (and name, when no name is set yet). The for /f loops here and in :hex
rem read fixed texts, which begin with a character other than ";" and the delimiters, so
rem that cmd's end-of-line rule cannot come into it.
:letter
set /a "index=%1 - %2"
if %2 equ 64 for /f "tokens=%index%" %%L in ("A B C D E F G H I J K L M N O P Q R S T U V W X Y Z") do set "name_letter=%%L"
if %2 equ 96 for /f "tokens=%index%" %%L in ("a b c d e f g h i j k l m n o p q r s t u v w x y z") do set "name_letter=%%L"
if not defined name set "name=%name_letter%"
goto :eof

rem :hex N: N (0-255) as two lowercase hex digits, into hx.
:hex
set /a high=%1 / 16 + 1
set /a low=%1 %% 16 + 1
for /f "tokens=%high%" %%D in ("0 1 2 3 4 5 6 7 8 9 a b c d e f") do set "hx=%%D"
for /f "tokens=%low%" %%D in ("0 1 2 3 4 5 6 7 8 9 a b c d e f") do set "hx=%hx%%%D"
goto :eof

rem :digits: takes every decimal digit out of rest, one set a digit, with no "call set", which
rem would expand a "%" in the text again under Wine's cmd (not under Windows') and lose it.
rem Each line tests rest first: a substitution in an undefined variable is not made empty.
:digits
if defined rest set "rest=%rest:0=%"
if defined rest set "rest=%rest:1=%"
if defined rest set "rest=%rest:2=%"
if defined rest set "rest=%rest:3=%"
if defined rest set "rest=%rest:4=%"
if defined rest set "rest=%rest:5=%"
if defined rest set "rest=%rest:6=%"
if defined rest set "rest=%rest:7=%"
if defined rest set "rest=%rest:8=%"
if defined rest set "rest=%rest:9=%"
goto :eof

rem :flag MASK NAME: add NAME to the words when the flag is set.
:flag
set /a "on=flags & %1"
if %on% neq 0 set "words=%words%  %2"
goto :eof
