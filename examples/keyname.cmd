@echo off
rem Prints a key code in words.
rem Usage: keyname.cmd CODE    CODE as keycode shows it, in hex: keyname.cmd 2104141
rem        keyname.cmd #CODE   CODE as a decimal exit status:     keyname.cmd #%ERRORLEVEL%
rem Prints, for 2104141:  press  A  char 'A'  Shift
setlocal EnableDelayedExpansion
set "arg=%~1"
if not defined arg (echo usage: keyname CODE 1>&2& exit /b 1)
if "%arg:~0,1%"=="#" (set /a "code=%arg:~1%") else (set /a "code=0x%arg%")
set /a "vk=code & 0xFF, ch=(code >> 8) & 0xFF, flags=(code >> 16) & 0x1FF"
set /a "down=(code >> 25) & 1"

set "hex=0123456789abcdef"
if %down% equ 1 (set "words=press ") else (set "words=release ")

rem The key: a name for the common virtual-key codes, else its code in hex.
set "name="
if %vk% geq 48 if %vk% leq 57 (
    set /a "i=vk - 48"
    set "name=!i!"
)
set "letters=ABCDEFGHIJKLMNOPQRSTUVWXYZ"
if %vk% geq 65 if %vk% leq 90 (
    set /a "i=vk - 65"
    for %%L in (!i!) do set "name=!letters:~%%L,1!"
)
if %vk% geq 112 if %vk% leq 123 (
    set /a "i=vk - 111"
    set "name=F!i!"
)
for %%K in (8:Backspace 9:Tab 13:Enter 16:Shift 17:Ctrl 18:Alt 19:Pause 20:CapsLock 27:Esc 32:Space 33:PageUp 34:PageDown 35:End 36:Home 37:Left 38:Up 39:Right 40:Down 45:Insert 46:Delete 91:LeftWin 92:RightWin 144:NumLock 145:ScrollLock) do (
    for /f "tokens=1,2 delims=:" %%A in ("%%K") do if %vk% equ %%A set "name=%%B"
)
if not defined name (
    set /a "hi=vk >> 4, lo=vk & 15"
    for /f "tokens=1,2" %%H in ("!hi! !lo!") do set "name=vk 0x!hex:~%%H,1!!hex:~%%I,1!"
)
set "words=!words! !name!"

rem The character: letters, digits and space as themselves, anything else in hex; the
rem rest of the printable characters would need escaping for echo.
if %ch% neq 0 (
    set "shown="
    if %ch% geq 48 if %ch% leq 57 (
        set /a "i=ch - 48"
        for %%C in (!i!) do set "shown='%%C'"
    )
    if %ch% geq 65 if %ch% leq 90 (
        set /a "i=ch - 65"
        for %%C in (!i!) do set "shown='!letters:~%%C,1!'"
    )
    set "lower=abcdefghijklmnopqrstuvwxyz"
    if %ch% geq 97 if %ch% leq 122 (
        set /a "i=ch - 97"
        for %%C in (!i!) do set "shown='!lower:~%%C,1!'"
    )
    if %ch% equ 32 set "shown=' '"
    if not defined shown (
        set /a "hi=ch >> 4, lo=ch & 15"
        for /f "tokens=1,2" %%H in ("!hi! !lo!") do set "shown=0x!hex:~%%H,1!!hex:~%%I,1!"
    )
    set "words=!words!  char !shown!"
)

rem The control-key flags, lowest bit first as the console numbers them.
set bit=1
for %%F in (RightAlt LeftAlt RightCtrl LeftCtrl Shift NumLock ScrollLock CapsLock Enhanced) do (
    set /a "on=flags & bit"
    if !on! neq 0 set "words=!words!  %%F"
    set /a "bit*=2"
)
echo !words!
exit /b 0
