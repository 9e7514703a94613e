@echo off
rem A menu moved with the Up and Down arrows and chosen with Enter; Esc cancels.
rem Usage: call menu.cmd "Build" "Test" "Quit"
rem Exit code: the chosen item's number from 1, or 0 for Esc or no console input.
setlocal
set "KEYCODE=%~dp0keycode.exe"
if not exist "%KEYCODE%" set "KEYCODE=%~dp0..\keycode.exe"

set count=0
for %%I in (%*) do set /a count+=1
if %count% equ 0 exit /b 0
set choice=1

:draw
echo.
set n=0
for %%I in (%*) do call :line "%%~I"
:key
"%KEYCODE%" *
set /a "code=%ERRORLEVEL%, vk=code & 0xFF"
if %code% equ -1 exit /b 0
rem Virtual-key codes: Up 0x26, Down 0x28, Enter 0x0D, Esc 0x1B.
if %vk% equ 38 if %choice% gtr 1 set /a choice-=1
if %vk% equ 38 goto draw
if %vk% equ 40 if %choice% lss %count% set /a choice+=1
if %vk% equ 40 goto draw
if %vk% equ 27 exit /b 0
if not %vk% equ 13 goto key
echo chosen: %chosen%
exit /b %choice%

rem :line ITEM: one line of the menu, marked when it is the current choice.
:line
set /a n+=1
if %n% equ %choice% set "chosen=%~1"
if %n% equ %choice% (echo  ^> %~1) else (echo    %~1)
goto :eof
