@echo off
rem A menu moved with the Up and Down arrows and chosen with Enter; Esc cancels.
rem Usage: call menu.cmd "Build (debug)" "Save & quit" "Quit"
rem Items are shown and chosen as typed, whatever characters they hold, but for what cmd
rem does to the arguments before menu.cmd sees them ("call" doubles every caret, even in
rem quotes) and a double quote inside an item, which it cannot show. Under Wine's cmd, whose
rem "call" expands "%" a second time (Windows' does not), a "%" in an item can be lost. An
rem empty item ends the list. Other keys are ignored, and a key is taken by its virtual-key
rem code alone, whatever modifiers are held (Shift, Ctrl, Alt, the left Windows key in
rem Windows Terminal).
rem Exit code: the chosen item's number from 1, or 0 for Esc and when no key could be read:
rem standard input is not a console, keycode.exe is missing (a message on standard error
rem says where it looked) or ended without a key. The choice is also left in MENU, because
rem Wine's cmd hands a caller only 0 or 1 from "call": the item's number, 0 for Esc, and
rem MENU cleared when no key could be read. So a caller tells Esc from no key with
rem   call menu.cmd A B C
rem   if not defined MENU echo no key could be read
rem   if "%MENU%"=="0" echo cancelled
rem The menu is drawn again below itself after each arrow key, so the screen scrolls: cmd can
rem move the cursor back up only through the escape sequences of Windows 10's console, which
rem earlier consoles print as text and which a caller's redirected output would keep, and
rem cls would wipe what the caller printed before.
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
rem This file's folder. Called by a quoted name that cmd found on PATH (call "menu.cmd"),
rem Windows' cmd gives %~dp0 the current folder, where this file is not: PATH finds it
rem again, by the name given or, given without it, with .cmd after it.
set "here=%~dp0"
if not exist "%~f0" for %%F in ("%~n0.cmd" "%~nx0") do if not "%%~$PATH:F"=="" set "here=%%~dp$PATH:F"
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

rem The items go into item1, item2, ... while they are still quoted: unquoted, cmd would
rem act on their parentheses, ampersands and the like.
set count=0
:collect
if "%~1"=="" goto collected
set /a count+=1
set "item%count%=%~1"
shift
goto collect
:collected
if %count% equ 0 goto cancel
set choice=1

:draw
echo:
for /l %%N in (1,1,%count%) do call :line %%N
:key
"%keycode%" *
set /a "code=%ERRORLEVEL%, vk=code & 0xFF, down=(code >> 25) & 1"
rem Every key code lies in 0-134217727 (0x7ffffff), a press with bit 25 (33554432) set; any
rem other status is no key.
if %code% lss 0 goto nokey
if %code% gtr 134217727 goto nokey
if %down% equ 0 goto nokey
rem Virtual-key codes: Up 38, Down 40, Enter 13, Esc 27.
if %vk% equ 38 if %choice% gtr 1 set /a choice-=1
if %vk% equ 38 goto draw
if %vk% equ 40 if %choice% lss %count% set /a choice+=1
if %vk% equ 40 goto draw
if %vk% equ 27 goto cancel
if not %vk% equ 13 goto key
set "prefix=chosen:"
call :show %choice%
endlocal & set "MENU=%choice%" & exit /b %choice%

:cancel
endlocal & set "MENU=0" & exit /b 0

:nokeycode
>&2 echo menu: keycode.exe not found; looked for %looked%
:nokey
endlocal & set "MENU=" & exit /b 0

rem :line N: the Nth line of the menu, marked when it is the current choice.
:line
set "prefix=  "
if %1 equ %choice% set "prefix= ^>"
call :show %1
goto :eof

rem :show N: the prefix, a blank and item N as it was typed. "call set" takes the item's text
rem whole, inside quotes (Wine's "call" expands a "%" in it again and loses it). The text
rem reaches the for /f line through %text%, where only the quotes keep its characters from
rem acting; echo then prints the for variable, which cmd puts in after reading its line. The
rem for /f reads a text that begins with that blank and splits nothing, so no end-of-line
rem rule can pass over it, whatever the item begins with (";", "="); "echo:" prints it even
rem where it is blanks alone. No child cmd is started:
rem "for /f ... in ('set item')" would start one for every item at every redraw, AutoRun
rem and all.
:show
call set "text=%%item%1%%"
for /f "delims=" %%T in (" %text%") do echo:%prefix%%%T
goto :eof
