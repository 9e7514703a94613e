@echo off
rem Asks a question and waits for Y or N; Esc cancels. Other keys are ignored.
rem Usage: call yesno.cmd "Overwrite the file?"
rem Exit code 0 for Y, 1 for N, 2 for Esc, 3 when standard input is not a console.
setlocal
set "KEYCODE=%~dp0keycode.exe"
if not exist "%KEYCODE%" set "KEYCODE=%~dp0..\keycode.exe"

rem set /p with no input prints the prompt without a line break.
<nul set /p "=%~1 [Y/N] "
:ask
"%KEYCODE%" *
set /a "code=%ERRORLEVEL%, vk=code & 0xFF"
if %code% equ -1 (echo.& exit /b 3)
rem Virtual-key codes: Y is 0x59, N is 0x4E, Esc is 0x1B.
if %vk% equ 89 (echo Y& exit /b 0)
if %vk% equ 78 (echo N& exit /b 1)
if %vk% equ 27 (echo cancelled& exit /b 2)
goto ask
