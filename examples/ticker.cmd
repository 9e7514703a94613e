@echo off
rem A loop that does not wait for keys: a dot about every 100 ms until Esc. A key pressed meanwhile
rem is shown by its virtual-key code in brackets ([65] for A, [38] for Up), and the dots go on.
rem Usage: call ticker.cmd
rem Exit code 0 after Esc, 1 when no key could be read: standard input is not a console,
rem keywait.exe is missing or cannot be started (a message on standard error says where it
rem looked) or ended without a key.
rem It stands alone on purpose, sharing no code with the other examples: copy it anywhere
rem beside keywait.exe.
rem Its own settings whatever the caller has on: delayed expansion would eat "!".
setlocal EnableExtensions DisableDelayedExpansion
rem A caller's variable named ERRORLEVEL would hide the real status from %ERRORLEVEL%.
set "ERRORLEVEL="
rem keywait.exe: KEYWAIT_EXE when set (any quotes taken off, so that "" is taken as unset),
rem else beside this file, one folder up (release zip) or on PATH. An empty path is never
rem tested: Wine's cmd takes if exist "" for a syntax error and skips the line.
if defined KEYWAIT_EXE set "KEYWAIT_EXE=%KEYWAIT_EXE:"=%"
rem This file's folder. Called by a quoted name that cmd found on PATH (call "ticker.cmd"),
rem Windows' cmd gives %~dp0 the current folder, where this file is not: PATH finds it
rem again, by the name given or, given without it, with .cmd after it.
set "here=%~dp0"
if not exist "%~f0" for %%F in ("%~n0.cmd" "%~nx0") do if not "%%~$PATH:F"=="" set "here=%%~dp$PATH:F"
set "keywait="
set looked="%here%keywait.exe", "%here%..\keywait.exe" or on PATH
if exist "%here%keywait.exe" set "keywait=%here%keywait.exe"
if not defined keywait if exist "%here%..\keywait.exe" set "keywait=%here%..\keywait.exe"
if not defined keywait for %%P in (keywait.exe) do set "keywait=%%~$PATH:P"
if defined KEYWAIT_EXE set "keywait=%KEYWAIT_EXE%"
if defined KEYWAIT_EXE set looked="%KEYWAIT_EXE%", from KEYWAIT_EXE
if not defined keywait goto nokeywait
rem Its full path, so that the test and the start below look at the same file: cmd runs a
rem name without a "\" from PATH alone where NoDefaultCurrentDirectoryInExePath is set, and
rem "if exist" looks in the current folder. A "*" or "?" in it, which for would match with a
rem file, finds nothing.
set "full="
for %%P in ("%keywait%") do if "%%~P"=="%keywait%" set "full=%%~fP"
if not defined full goto nokeywait
if not exist "%full%" goto nokeywait
set "keywait=%full%"

:tick
"%keywait%" 100
set /a "code=%ERRORLEVEL%, vk=code & 0xFF, down=(code >> 25) & 1"
rem -2: no key came in the 100 ms, so the next dot.
if %code% neq -2 goto key
<nul set /p "=."
goto tick
:key
rem Every key code lies in 0-134217727 (0x7ffffff), a press with bit 25 (33554432) set; any
rem other status is no key: -1, or cmd's own for a keywait.exe it could not start.
if %code% lss 0 goto nokey
if %code% gtr 134217727 goto nokey
if %down% equ 0 goto nokey
rem Esc is 27.
if %vk% equ 27 (echo:& exit /b 0)
<nul set /p "=[%vk%]"
goto tick

:nokeywait
>&2 echo ticker: keywait.exe not found; looked for %looked%
exit /b 1
:nokey
echo:
exit /b 1
