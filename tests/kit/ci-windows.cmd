@echo off
rem CI on Windows: unzips the test kit found in the given folder into a fresh folder and runs
rem its run.cmd there, as a user would. Exit code: run.cmd's, 1 when there is no kit or it
rem cannot be unzipped (a message on standard error says which).
rem Usage: ci-windows.cmd FOLDER-WITH-THE-ZIPS
setlocal EnableExtensions DisableDelayedExpansion
rem A variable named ERRORLEVEL would hide the real status from %ERRORLEVEL%.
set "ERRORLEVEL="
rem No || after a command: Wine's cmd runs what follows it even when the command worked.
set "zip="
for %%Z in ("%~1\keycode-*-win32-tests.zip") do set "zip=%%~fZ"
if not defined zip goto nokit
rem A folder of its own, never an older kit's: another name while the one drawn is taken.
:name
set "kit=%TEMP%\keycode-kit-%RANDOM%"
if exist "%kit%" goto name
mkdir "%kit%"
if not exist "%kit%\" goto nofolder
rem Windows' own tar opens a zip, a GNU tar does not: named by its path, so that none found
rem first in the current folder or on PATH (Git's usr\bin, MSYS2, Cygwin) is run instead.
"%SystemRoot%\System32\tar.exe" -xf "%zip%" -C "%kit%"
if errorlevel 1 goto nounzip
call "%kit%\run.cmd"
exit /b %ERRORLEVEL%

:nokit
>&2 echo ci-windows: no test kit in "%~1"
exit /b 1
:nofolder
>&2 echo ci-windows: cannot make "%kit%"
exit /b 1
:nounzip
>&2 echo ci-windows: cannot unzip "%zip%" into "%kit%"
exit /b 1
