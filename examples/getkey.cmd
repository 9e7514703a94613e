@echo off
rem Waits for one key press and sets KEY_CODE, KEY_VK, KEY_CHAR, KEY_FLAGS and KEY_DOWN.
rem Usage: call getkey.cmd      a key press
rem        call getkey.cmd /    a key press or a release
rem Exit code 0, or 1 when standard input is not a console.

rem keycode.exe sits beside this file or one folder up, as in the release zip.
set "KEYCODE=%~dp0keycode.exe"
if not exist "%KEYCODE%" set "KEYCODE=%~dp0..\keycode.exe"

rem %1 may add the "/" that lets releases through; "*" asks for the code as exit status.
"%KEYCODE%" * %1
set /a "KEY_CODE=%ERRORLEVEL%"
if %KEY_CODE% equ -1 exit /b 1

set /a "KEY_VK=KEY_CODE & 0xFF, KEY_CHAR=(KEY_CODE >> 8) & 0xFF"
set /a "KEY_FLAGS=(KEY_CODE >> 16) & 0x1FF, KEY_DOWN=(KEY_CODE >> 25) & 1"
echo KEY_CODE=%KEY_CODE% KEY_VK=%KEY_VK% KEY_CHAR=%KEY_CHAR% KEY_FLAGS=%KEY_FLAGS% KEY_DOWN=%KEY_DOWN%
exit /b 0
