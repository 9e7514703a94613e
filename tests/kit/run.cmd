@echo off
rem Runs every row of keycode's case tables on this console: one line a row, then
rem "N passed, M failed, K skipped". Exit code 0 when every row run passed, else 1. Writes
rem report.txt beside this file and a scratch file in the temporary folder, nothing else.
rem Usage: run.cmd
setlocal EnableExtensions DisableDelayedExpansion
cd /d "%~dp0"
harness.exe keycode.exe report.txt cases\*.cases
exit /b %ERRORLEVEL%
