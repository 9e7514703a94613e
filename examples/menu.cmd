@echo off
rem A menu moved with the Up and Down arrows and chosen with Enter; Esc cancels.
rem Usage: call menu.cmd "Build" "Test" "Quit"
rem Exit code: the chosen item's number from 1, or 0 for Esc or no console input.
setlocal EnableDelayedExpansion
set "KEYCODE=%~dp0keycode.exe"
if not exist "%KEYCODE%" set "KEYCODE=%~dp0..\keycode.exe"

set count=0
for %%I in (%*) do (
    set /a count+=1
    set "item!count!=%%~I"
)
if %count% equ 0 exit /b 0
set choice=1

:draw
echo.
for /l %%N in (1,1,%count%) do (
    if %%N equ !choice! (echo  ^> !item%%N!) else (echo    !item%%N!)
)
:key
"%KEYCODE%" *
set /a "code=%ERRORLEVEL%, vk=code & 0xFF"
if %code% equ -1 exit /b 0
rem Virtual-key codes: Up 0x26, Down 0x28, Enter 0x0D, Esc 0x1B.
if %vk% equ 38 if %choice% gtr 1 (
    set /a choice-=1
    goto draw
)
if %vk% equ 40 if %choice% lss %count% (
    set /a choice+=1
    goto draw
)
if %vk% equ 13 (
    echo chosen: !item%choice%!
    exit /b %choice%
)
if %vk% equ 27 exit /b 0
goto key
