@echo off
rem The check of check_batch.sh (check_batch.sh --planted): each line after a "rem planted"
rem line uses a construct that Windows' cmd and Wine's take down different paths and must be
rem named; no other line may be. Never run, never shipped.
rem planted
echo.
echo:
rem planted
echo(x
rem planted
if exist "" echo x
rem planted
if exist "%~1" echo x
rem planted
if exist %~dp0x.exe echo x
rem planted
if exist "%v%" echo x
if defined v if exist "%v%" echo x
if not defined v goto :eof
if exist "%v%" echo x
set "v=%v:/=\%"
rem planted
if exist "%v%" echo x
if not defined v goto :eof
if exist "%v%" echo x
set "v=%TEMP%\x"
if exist "%v%" echo x
if defined w set "v=x"
rem planted
if exist "%v%" echo x
rem planted
for /f %%L in ('set') do echo %%L
rem planted
for /f "delims=;" %%L in (";x") do echo %%L
for /f "delims=" %%L in (" x") do echo %%L
rem planted
set /p "= x" <nul
rem planted
mkdir x || exit /b 1
rem planted
find "x" <nul && echo x
if not exist x.exe echo x
