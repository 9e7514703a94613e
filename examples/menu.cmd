@echo off
rem A menu moved with the Up and Down arrows and chosen with Enter; Esc cancels.
rem Usage: call menu.cmd "Build (debug)" "Save & quit" "Quit"
rem Items are shown and chosen as typed, whatever characters they hold, but for what cmd
rem does to the arguments before menu.cmd sees them: "call" doubles every caret, even in
rem quotes. An empty item ends the list. Exit code: the chosen item's number from 1, or 0
rem for Esc and when no key could be read: standard input is not a console, keycode.exe is
rem missing (a message on standard error says where it looked) or ended without a key. The
rem same number is left in MENU, because Wine's cmd hands a caller only 0 or 1 from "call".
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
if not exist "%keycode%" (>&2 echo menu: keycode.exe not found; looked for %looked%& goto none)

rem The items go into item1, item2, ... while they are still quoted: unquoted, cmd would
rem act on their parentheses, ampersands and the like. Each is kept after a blank, which
rem :show prints in place of the prefix's last one: an item's own leading "=" then survives.
set count=0
:collect
if "%~1"=="" goto collected
set /a count+=1
set "item%count%= %~1"
shift
goto collect
:collected
if %count% equ 0 goto none
set choice=1

:draw
echo.
for /l %%N in (1,1,%count%) do call :line %%N
:key
"%keycode%" *
set /a "code=%ERRORLEVEL%, vk=code & 0xFF"
rem A key press is 0x2000000-0x3ffffff (33554432-67108863); any other status is no key.
if %code% lss 33554432 goto none
if %code% gtr 67108863 goto none
rem Virtual-key codes: Up 0x26, Down 0x28, Enter 0x0D, Esc 0x1B.
if %vk% equ 38 if %choice% gtr 1 set /a choice-=1
if %vk% equ 38 goto draw
if %vk% equ 40 if %choice% lss %count% set /a choice+=1
if %vk% equ 40 goto draw
if %vk% equ 27 goto none
if not %vk% equ 13 goto key
set "prefix=chosen:"
call :show %choice%
endlocal & set "MENU=%choice%" & exit /b %choice%

:none
endlocal & set "MENU=0" & exit /b 0

rem :line N: the Nth line of the menu, marked when it is the current choice.
:line
set "prefix=  "
if %1 equ %choice% set "prefix= ^>"
call :show %1
goto :eof

rem :show N: the prefix, then item N, after its blank, as it was typed. A for variable's text
rem is put in after cmd has read the line, so none of its characters can act; "echo." prints
rem it even where it is blanks alone.
:show
for /f "tokens=1* delims==" %%A in ('set item') do if /i "%%A"=="item%1" echo.%prefix%%%B
goto :eof
