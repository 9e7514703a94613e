@echo off
rem Waits for one key and sets KEY_CODE, KEY_VK, KEY_CHAR, KEY_FLAGS and KEY_DOWN. Prints
rem nothing and leaves no other variable behind.
rem Usage: call getkey.cmd          a key press; Shift, Ctrl, Alt, Caps Lock, Num Lock and
rem                                 Scroll Lock on their own are passed over
rem        call getkey.cmd /        a key press or a release
rem        call getkey.cmd mods     those modifier keys count as keys too (also: / mods)
rem Exit code 0, or 1 when standard input is not a console (the KEY_ variables are cleared).
setlocal
rem keycode.exe sits beside this file or one folder up, as in the release zip.
set "keycode=%~dp0keycode.exe"
if not exist "%keycode%" set "keycode=%~dp0..\keycode.exe"
set "releases="
set "mods="
for %%A in (%*) do if "%%~A"=="/" set "releases=/"
for %%A in (%*) do if /i "%%~A"=="mods" set "mods=yes"

:read
rem "*" asks for the code as the exit status; "/" lets releases through as well.
"%keycode%" * %releases%
set /a "code=%ERRORLEVEL%, vk=code & 0xFF"
if %code% equ -1 goto noconsole
rem Virtual-key codes: Shift 16, Ctrl 17, Alt 18, Caps Lock 20, Num Lock 144, Scroll Lock 145.
if not defined mods for %%M in (16 17 18 20 144 145) do if %vk% equ %%M goto read

set /a "char=(code >> 8) & 0xFF, flags=(code >> 16) & 0x1FF, down=(code >> 25) & 1"
rem One line, so that the values are taken before endlocal forgets them.
endlocal & set "KEY_CODE=%code%" & set "KEY_VK=%vk%" & set "KEY_CHAR=%char%" & set "KEY_FLAGS=%flags%" & set "KEY_DOWN=%down%"
exit /b 0

:noconsole
endlocal
for %%V in (CODE VK CHAR FLAGS DOWN) do set "KEY_%%V="
exit /b 1
