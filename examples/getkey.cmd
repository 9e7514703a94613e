@echo off
rem Waits for one key and sets KEY_CODE, KEY_VK, KEY_CHAR, KEY_FLAGS and KEY_DOWN. Prints
rem nothing and leaves no other variable behind.
rem Usage: call getkey.cmd          a key press; Shift, Ctrl, Alt, Caps Lock, Num Lock and
rem                                 Scroll Lock on their own are passed over
rem        call getkey.cmd /        a key press or a release
rem        call getkey.cmd mods     those modifier keys count as keys too (also: / mods)
rem Exit code 0, or 1 when no key could be read: standard input is not a console, keycode.exe
rem is missing (a message on standard error says where it looked) or ended without a key.
rem The KEY_ variables are cleared then.
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
set "releases="
set "mods="
for %%A in (%*) do if "%%~A"=="/" set "releases=/"
for %%A in (%*) do if /i "%%~A"=="mods" set "mods=yes"

rem Every key code lies in 0x0000000-0x3ffffff, a press in 0x2000000-0x3ffffff (33554432-
rem 67108863); any other status (-1, Ctrl+C's 0xc000013a, cmd's own for a program it
rem could not start) is no key.
set /a "lowest=33554432, highest=67108863"
if defined releases set "lowest=0"

:read
rem "*" asks for the code as the exit status; "/" lets releases through as well.
"%keycode%" * %releases%
set /a "code=%ERRORLEVEL%, vk=code & 0xFF"
if %code% lss %lowest% goto nokey
if %code% gtr %highest% goto nokey
rem Virtual-key codes: Shift 16, Ctrl 17, Alt 18, Caps Lock 20, Num Lock 144, Scroll Lock 145.
if not defined mods for %%M in (16 17 18 20 144 145) do if %vk% equ %%M goto read

set /a "char=(code >> 8) & 0xFF, flags=(code >> 16) & 0x1FF, down=(code >> 25) & 1"
rem One line, so that the values are taken before endlocal forgets them.
endlocal & set "KEY_CODE=%code%" & set "KEY_VK=%vk%" & set "KEY_CHAR=%char%" & set "KEY_FLAGS=%flags%" & set "KEY_DOWN=%down%"
exit /b 0

:nokeycode
>&2 echo getkey: keycode.exe not found; looked for %looked%
:nokey
endlocal
for %%V in (CODE VK CHAR FLAGS DOWN) do set "KEY_%%V="
exit /b 1
