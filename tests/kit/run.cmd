@echo off
rem Runs every row of keycode's case tables on this console: one line a row, then
rem "N passed, M failed, K skipped". Exit code 0 when every row run passed, else 1. Writes
rem report.txt beside this file, and the rows' files in a folder of the run's own in the
rem temporary folder, removed at the end; nothing else.
rem Usage: run.cmd
setlocal EnableExtensions DisableDelayedExpansion
rem A variable named ERRORLEVEL would hide the real status from %ERRORLEVEL%.
set "ERRORLEVEL="
rem The rows name their files from the kit's folder. pushd, unlike cd /d, also gives a UNC
rem folder a drive letter; harness.exe is named by its path, because a Windows where
rem NoDefaultCurrentDirectoryInExePath is set does not look in the current folder.
rem Wine's cmd runs what follows || after pushd even when it worked, so the folder is
rem checked by what is in it.
pushd "%~dp0"
if not exist harness.exe goto elsewhere
"%~dp0harness.exe" keycode.exe report.txt cases\*.cases
set "status=%ERRORLEVEL%"
popd
exit /b %status%

:elsewhere
>&2 echo run.cmd: cannot work in "%~dp0"
exit /b 1
