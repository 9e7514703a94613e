@echo off
rem CI on Windows: unzips the test kit found in the given folder into a fresh folder and runs
rem its run.cmd there, as a user would. Exit code: run.cmd's, 1 when there is no kit.
rem Usage: ci-windows.cmd FOLDER-WITH-THE-ZIPS
setlocal EnableExtensions DisableDelayedExpansion
set "kit=%TEMP%\keycode-kit-%RANDOM%"
mkdir "%kit%" || exit /b 1
set "zip="
for %%Z in ("%~1\keycode-*-win32-tests.zip") do set "zip=%%~fZ"
if not defined zip echo no test kit in %~1& exit /b 1
rem Windows' own tar opens a zip; the GNU tar that Git puts first on PATH does not.
"%SystemRoot%\System32\tar.exe" -xf "%zip%" -C "%kit%" || exit /b 1
call "%kit%\run.cmd"
exit /b %ERRORLEVEL%
