@echo off
rem Asks a question and waits for Y or N; Esc cancels. Other keys are ignored.
rem Usage: call yesno.cmd "Overwrite the file?"
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
rem keycode.exe: KEYCODE_EXE when set (any quotes taken off), else beside this file, one folder
rem up (release zip) or on PATH.
set "keycode=%~dp0keycode.exe"
set looked="%~dp0keycode.exe", "%~dp0..\keycode.exe" or on PATH
if not exist "%keycode%" set "keycode=%~dp0..\keycode.exe"
if not exist "%keycode%" for %%P in (keycode.exe) do set "keycode=%%~$PATH:P"
if defined KEYCODE_EXE set "keycode=%KEYCODE_EXE:"=%"
if defined KEYCODE_EXE set looked="%keycode%", from KEYCODE_EXE
if not exist "%keycode%" goto nokeycode

rem set /p with no input prints the prompt without a line break.
<nul set /p "=%~1 [Y/N] "
:ask
"%keycode%" *
set /a "code=%ERRORLEVEL%, vk=code & 0xFF"
rem A key press is 0x2000000-0x3ffffff (33554432-67108863); any other status is no key.
if %code% lss 33554432 goto nokey
if %code% gtr 67108863 goto nokey
rem Virtual-key codes: Y is 0x59, N is 0x4E, Esc is 0x1B.
if %vk% equ 89 (echo Y& endlocal & set "YESNO=Y"& exit /b 0)
if %vk% equ 78 (echo N& endlocal & set "YESNO=N"& exit /b 1)
if %vk% equ 27 (echo cancelled& endlocal & set "YESNO=Esc"& exit /b 2)
goto ask

:nokeycode
>&2 echo yesno: keycode.exe not found; looked for %looked%
goto cleared
:nokey
echo.
:cleared
endlocal
set "YESNO="
exit /b 3
