@echo off
rem Waits for one key and sets KEY_CODE, KEY_VK, KEY_CHAR, KEY_FLAGS and KEY_DOWN, all in
rem decimal, as ERRORLEVEL and set /a give numbers. Prints nothing on standard output and
rem leaves no other variable behind.
rem   KEY_CODE   the whole code keycode gave, its exit status (call keyname.cmd #%KEY_CODE%
rem              names it). Num Lock and Caps Lock change it: test KEY_VK and KEY_FLAGS.
rem   KEY_VK     the virtual-key code: Enter 13, Esc 27, Space 32, Left 37, Up 38, Right 39,
rem              Down 40, 0-9 48-57, A-Z 65-90, F1-F12 112-123 (the README's key table).
rem   KEY_CHAR   the character's code in the console's input code page, 0 for none.
rem   KEY_FLAGS  the console's control-key state, one bit a flag: RightAlt 1, LeftAlt 2,
rem              RightCtrl 4, LeftCtrl 8, Shift 16, NumLock 32, ScrollLock 64, CapsLock 128,
rem              Enhanced 256, and LeftWin 1024, the left Windows key held in a chord (Windows
rem              Terminal). Test one with set /a, e.g. set /a "ctrl=KEY_FLAGS & 12".
rem   KEY_DOWN   1 for a press, 0 for a release.
rem A chord with the left Windows key held is a key like any other, with 1024 in KEY_FLAGS.
rem The right Windows key's flag lands on the press bit: in such a chord a release reads as
rem a press.
rem Usage: call getkey.cmd          a key press; Shift, Ctrl, Alt, the Windows keys, Caps Lock,
rem                                 Num Lock and Scroll Lock on their own are passed over
rem        call getkey.cmd /        a key press or a release
rem        call getkey.cmd mods     those modifier keys count as keys too (also: / mods)
rem        call getkey.cmd MS       waits MS ms at most (0 to 2147483647), with keywait.exe
rem                                 instead of keycode.exe (also: / mods MS, in any order);
rem                                 0 takes a key already typed or gives up at once. Each
rem                                 modifier key passed over starts the MS again, so a held
rem                                 Shift, which repeats, keeps it waiting: exit 2 comes MS
rem                                 after the last key, not MS after the call.
rem Exit code 0; 2 when the MS ran out; 1 when no key could be read: standard input is not
rem a console, keycode.exe (keywait.exe) is missing or cannot be started (a message on
rem standard error says where it looked), it ended without a key, or MS is not a time (said
rem on standard error). The KEY_ variables are cleared then.
rem It stands alone on purpose, sharing no code with the other examples: copy it anywhere
rem beside keycode.exe and keywait.exe.
rem Its own settings whatever the caller has on: delayed expansion would eat "!".
setlocal EnableExtensions DisableDelayedExpansion
rem A caller's variable named ERRORLEVEL would hide the real status from %ERRORLEVEL%.
set "ERRORLEVEL="
set "releases="
set "mods="
set "limit="
for %%A in (%*) do if "%%~A"=="/" set "releases=/"
for %%A in (%*) do if /i "%%~A"=="mods" set "mods=yes"
rem The x in front: Wine's cmd takes a "/" compared with /i, or an if /i after an if not,
rem for a syntax error.
for %%A in (%*) do if /i not "x%%~A"=="xmods" if not "x%%~A"=="x/" set "limit=%%~A"
rem A second time is refused, not taken over the first: for splits at , ; = as well, so
rem "5,000" is two. Counted in a loop of its own: Wine's cmd fails on a block after the
rem two ifs of the loop above.
set /a "times=0"
for %%A in (%*) do if /i not "x%%~A"=="xmods" if not "x%%~A"=="x/" set /a "times+=1"
if %times% gtr 1 goto twotimes
rem The program: keycode.exe, or keywait.exe with a time limit.
set "name=keycode"
set "from=KEYCODE_EXE"
if defined limit set "name=keywait"
if defined limit set "from=KEYWAIT_EXE"
rem The program's file: KEYCODE_EXE (KEYWAIT_EXE) when set (any quotes taken off, so that
rem "" is taken as unset; a "/" in it is turned round, as keycode would take it for its own
rem "/" and give releases too), else beside this file, one folder up (release zip) or on
rem PATH. An empty path is never tested: Wine's cmd takes if exist "" for a syntax error and
rem skips the line.
set "given="
if not defined limit if defined KEYCODE_EXE set "given=%KEYCODE_EXE:"=%"
if defined limit if defined KEYWAIT_EXE set "given=%KEYWAIT_EXE:"=%"
rem This file's folder. Called by a quoted name that cmd found on PATH (call "getkey.cmd"),
rem Windows' cmd gives %~dp0 the current folder, where this file is not: PATH finds it
rem again, by the name given or, given without it, with .cmd after it.
set "here=%~dp0"
if not exist "%~f0" for %%F in ("%~n0.cmd" "%~nx0") do if not "%%~$PATH:F"=="" set "here=%%~dp$PATH:F"
set "keycode="
set looked="%here%%name%.exe", "%here%..\%name%.exe" or on PATH
if exist "%here%%name%.exe" set "keycode=%here%%name%.exe"
if not defined keycode if exist "%here%..\%name%.exe" set "keycode=%here%..\%name%.exe"
if not defined keycode for %%P in (%name%.exe) do set "keycode=%%~$PATH:P"
if defined given set "keycode=%given%"
if defined given set looked="%given%", from %from%
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
rem "*" asks keycode for the code as the exit status; keywait takes the time, in quotes so
rem that any text given for it reaches keywait's own check whole, and 0 for the test below.
set "wait=*"
set "probe=*"
if defined limit set wait="%limit%"
if defined limit set "probe=0"

rem Every key code lies in 0-134217727 (0x7ffffff); bit 25 (33554432) is set in a press. Any
rem other status (-1, Ctrl+C's 0xc000013a) is no key. cmd's own status for a program it could
rem not start (9009 for one it did not find, a small Windows error number for others) lies
rem among the releases: without "/" the missing press bit tells it; with "/" keycode is first
rem started once with no console on its input, where it always gives -1.
if not defined releases goto read
"%keycode%" %probe% <nul 2>nul
if %ERRORLEVEL% neq -1 goto nostart

:read
rem "/" lets releases through as well.
"%keycode%" %wait% %releases%
set /a "code=%ERRORLEVEL%, vk=code & 0xFF, down=(code >> 25) & 1"
rem keywait's -2: the time ran out; -3: it refused the time.
if defined limit if %code% equ -2 goto timeout
if defined limit if %code% equ -3 goto badtime
if %code% lss 0 goto nokey
if %code% gtr 134217727 goto nokey
if not defined releases if %down% equ 0 goto nostart
rem Virtual-key codes: Shift 16, Ctrl 17, Alt 18, Caps Lock 20, the Windows keys 91 and 92,
rem Num Lock 144, Scroll Lock 145.
if not defined mods for %%M in (16 17 18 20 91 92 144 145) do if %vk% equ %%M goto read

rem The flags: bits 16-24 as they are, bit 26 (the left Windows key) as 1024.
set /a "char=(code >> 8) & 0xFF, flags=(code >> 16) & 0x5FF"
rem One line, so that the values are taken before endlocal forgets them.
endlocal & set "KEY_CODE=%code%" & set "KEY_VK=%vk%" & set "KEY_CHAR=%char%" & set "KEY_FLAGS=%flags%" & set "KEY_DOWN=%down%"
exit /b 0

:timeout
endlocal
for %%V in (CODE VK CHAR FLAGS DOWN) do set "KEY_%%V="
exit /b 2

:nokeycode
>&2 echo getkey: %name%.exe not found; looked for %looked%
goto nokey
:badtime
>&2 echo getkey: not a time in ms from 0 to 2147483647: "%limit%"
goto nokey
:twotimes
>&2 echo getkey: one time in ms at most; a "," or ";" splits a number in two
goto nokey
:nostart
>&2 echo getkey: %name%.exe could not be started: "%keycode%"
:nokey
endlocal
for %%V in (CODE VK CHAR FLAGS DOWN) do set "KEY_%%V="
exit /b 1
