@echo off
rem Asks a question and waits for Y or N; Esc cancels. Other keys are ignored, and a key is
rem taken by its virtual-key code alone, whatever modifiers are held (Shift, Ctrl, Alt, the
rem left Windows key in Windows Terminal).
rem Usage: call yesno.cmd "Overwrite the file?"
rem The question is shown without its leading blanks, tabs and equals signs: set /p, which
rem prints it on the line the answer follows, drops leading blanks and tabs on Windows and
rem fails on a leading "=", so they are taken off here, for the same line on every cmd. As
rem for any called batch file, "call" doubles every caret in the question, even in quotes.
rem Exit code 0 for Y, 1 for N, 2 for Esc, 3 when no key could be read: standard input is
rem not a console, keycode.exe is missing (a message on standard error says where it looked)
rem or ended without a key. The answer is also left in YESNO: Y, N or Esc, and YESNO is
rem cleared when no key could be read; Wine's cmd hands a caller only 0 or 1 from "call".
rem It stands alone on purpose, sharing no code with the other examples: copy it anywhere
rem beside keycode.exe.
rem Its own settings whatever the caller has on: delayed expansion would eat "!".
setlocal EnableExtensions DisableDelayedExpansion
rem A caller's variable named ERRORLEVEL would hide the real status from %ERRORLEVEL%.
set "ERRORLEVEL="
rem keycode.exe: KEYCODE_EXE when set (any quotes taken off, so that "" is taken as unset;
rem a "/" in it is turned round, as keycode would take it for its own "/" and give
rem releases too), else beside this file, one folder up (release zip) or on PATH. An empty
rem path is never tested: Wine's cmd takes if exist "" for a syntax error and skips the
rem line.
if defined KEYCODE_EXE set "KEYCODE_EXE=%KEYCODE_EXE:"=%"
rem This file's folder. Called by a quoted name that cmd found on PATH (call "yesno.cmd"),
rem Windows' cmd gives %~dp0 the current folder, where this file is not: PATH finds it again.
set "here=%~dp0"
if not exist "%~f0" for %%F in ("%~nx0") do set "here=%%~dp$PATH:F"
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

set "question=%~1"
:trim
if not defined question goto ask
if "%question:~0,1%"==" " set "question=%question:~1%" & goto trim
if "%question:~0,1%"=="	" set "question=%question:~1%" & goto trim
if "%question:~0,1%"=="=" set "question=%question:~1%" & goto trim
:ask
rem set /p with no input prints the prompt without a line break.
set "line=[Y/N] "
if defined question set "line=%question% [Y/N] "
<nul set /p "=%line%"
:key
"%keycode%" *
set /a "code=%ERRORLEVEL%, vk=code & 0xFF, down=(code >> 25) & 1"
rem Every key code lies in 0-134217727 (0x7ffffff), a press with bit 25 (33554432) set; any
rem other status is no key.
if %code% lss 0 goto nokey
if %code% gtr 134217727 goto nokey
if %down% equ 0 goto nokey
rem Virtual-key codes: Y is 89, N is 78, Esc is 27.
if %vk% equ 89 (echo Y& endlocal & set "YESNO=Y"& exit /b 0)
if %vk% equ 78 (echo N& endlocal & set "YESNO=N"& exit /b 1)
if %vk% equ 27 (echo cancelled& endlocal & set "YESNO=Esc"& exit /b 2)
goto key

:nokeycode
>&2 echo yesno: keycode.exe not found; looked for %looked%
goto cleared
:nokey
echo:
:cleared
endlocal
set "YESNO="
exit /b 3
