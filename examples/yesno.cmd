@echo off
rem Asks a question and waits for Y or N; Esc cancels. Other keys are ignored, and a key is
rem taken by its virtual-key code alone, whatever modifiers are held (Shift, Ctrl, Alt, the
rem left Windows key in Windows Terminal).
rem Usage: call yesno.cmd "Overwrite the file?"
rem        call yesno.cmd "Overwrite the file?" MS Y|N
rem With MS, a time in ms (0 to 2147483647), it takes Y or N when no answer comes in that
rem time, as choice /t /d does; a key other than Y, N and Esc starts the time again. It then
rem reads keys with keywait.exe instead of keycode.exe.
rem The question is shown without its leading blanks, tabs and equals signs: set /p, which
rem prints it on the line the answer follows, drops leading blanks and tabs on Windows and
rem fails on a leading "=", so they are taken off here, for the same line on every cmd. As
rem for any called batch file, "call" doubles every caret in the question, even in quotes.
rem Exit code 0 for Y, 1 for N, 2 for Esc, 3 when no key could be read: standard input is
rem not a console, keycode.exe (keywait.exe) is missing (a message on standard error says
rem where it looked) or ended without a key, or MS or the Y|N after it is wrong (said on
rem standard error). The answer is also left in YESNO: Y, N or Esc, and YESNO is cleared
rem when no key could be read; Wine's cmd hands a caller only 0 or 1 from "call". When the
rem time ran out YESNO holds the default taken and YESNO_TIMEOUT is 1; it is cleared
rem otherwise, so a test of YESNO alone takes the default as an answer.
rem It stands alone on purpose, sharing no code with the other examples: copy it anywhere
rem beside keycode.exe and keywait.exe.
set "YESNO_TIMEOUT="
rem Its own settings whatever the caller has on: delayed expansion would eat "!".
setlocal EnableExtensions DisableDelayedExpansion
rem A caller's variable named ERRORLEVEL would hide the real status from %ERRORLEVEL%.
set "ERRORLEVEL="
set "limit=%~2"
set "default=%~3"
rem The program: keycode.exe, or keywait.exe with a time limit.
set "name=keycode"
set "from=KEYCODE_EXE"
if defined limit set "name=keywait"
if defined limit set "from=KEYWAIT_EXE"
rem The program's file: KEYCODE_EXE (KEYWAIT_EXE) when set (any quotes taken off, so that
rem "" is taken as unset; a "/" in it is turned round, as keycode would take it for its own
rem "/" and give releases too), else beside this file, one folder up (release zip) or on
rem PATH. An empty path is never tested: Wine's cmd takes if exist "" for a syntax error and
rem skips the line.
set "given="
if not defined limit if defined KEYCODE_EXE set "given=%KEYCODE_EXE:"=%"
if defined limit if defined KEYWAIT_EXE set "given=%KEYWAIT_EXE:"=%"
rem This file's folder. Called by a quoted name that cmd found on PATH (call "yesno.cmd"),
rem Windows' cmd gives %~dp0 the current folder, where this file is not: PATH finds it
rem again, by the name given or, given without it, with .cmd after it.
set "here=%~dp0"
if not exist "%~f0" for %%F in ("%~n0.cmd" "%~nx0") do if not "%%~$PATH:F"=="" set "here=%%~dp$PATH:F"
set "keycode="
set looked="%here%%name%.exe", "%here%..\%name%.exe" or on PATH
if exist "%here%%name%.exe" set "keycode=%here%%name%.exe"
if not defined keycode if exist "%here%..\%name%.exe" set "keycode=%here%..\%name%.exe"
if not defined keycode for %%P in (%name%.exe) do set "keycode=%%~$PATH:P"
if defined given set "keycode=%given%"
if defined given set looked="%given%", from %from%
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
rem "*" asks keycode for the code as the exit status; keywait takes the time in quotes as
rem well, so that any text given for it reaches keywait's own check whole.
set "wait=*"
if defined limit set wait="%limit%"
if not defined limit goto question
if /i "%default%"=="Y" (set "default=Y"& goto question)
if /i "%default%"=="N" (set "default=N"& goto question)
goto usage

:question
set "question=%~1"
:trim
if not defined question goto ask
if "%question:~0,1%"==" " set "question=%question:~1%" & goto trim
if "%question:~0,1%"=="	" set "question=%question:~1%" & goto trim
if "%question:~0,1%"=="=" set "question=%question:~1%" & goto trim
:ask
rem set /p with no input prints the prompt without a line break.
rem With a time limit the prompt names the default, as choice /t /d does.
set "line=[Y/N] "
if defined limit set "line=[Y/N, %default% when no answer] "
if defined question set "line=%question% %line%"
<nul set /p "=%line%"
:key
"%keycode%" %wait%
set /a "code=%ERRORLEVEL%, vk=code & 0xFF, down=(code >> 25) & 1"
rem keywait's -2: the time ran out; -3: it refused the time.
if defined limit if %code% equ -2 goto timeout
if defined limit if %code% equ -3 goto badtime
rem Every key code lies in 0-134217727 (0x7ffffff), a press with bit 25 (33554432) set; any
rem other status is no key.
if %code% lss 0 goto nokey
if %code% gtr 134217727 goto nokey
if %down% equ 0 goto nokey
rem Virtual-key codes: Y is 89, N is 78, Esc is 27.
if %vk% equ 89 (echo Y& endlocal & set "YESNO=Y"& exit /b 0)
if %vk% equ 78 (echo N& endlocal & set "YESNO=N"& exit /b 1)
if %vk% equ 27 (echo cancelled& endlocal & set "YESNO=Esc"& exit /b 2)
goto key

:timeout
if "%default%"=="Y" (echo Y, no answer in time& endlocal & set "YESNO=Y"& set "YESNO_TIMEOUT=1"& exit /b 0)
echo N, no answer in time& endlocal & set "YESNO=N"& set "YESNO_TIMEOUT=1"& exit /b 1

:nokeycode
>&2 echo yesno: %name%.exe not found; looked for %looked%
goto cleared
:badtime
echo:
:usage
>&2 echo yesno: the time limit is MS, 0 to 2147483647, then Y or N: call yesno.cmd "Question?" 10000 N
goto cleared
:nokey
echo:
:cleared
endlocal
set "YESNO="
exit /b 3
