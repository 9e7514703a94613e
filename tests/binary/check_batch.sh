#!/usr/bin/env bash
# Fails when a shipped batch file uses a construct that Windows' cmd and Wine's take down
# different paths (docs/wine.md, "Batch files on both cmds"); each use is named with its line.
#   echo. / echo(     "echo." fails where a file named "echo" is in the current folder;
#                     Wine 8's cmd prints the "(" of "echo(". "echo:" is the same on both.
#   exist "" or "%V%" an empty path is a syntax error to Wine's cmd, which skips the line:
#                     a path that is a variable alone must be tested with "if defined" first
#                     (on that line, or "if not defined V goto" before it with no set of V
#                     between); an argument alone ("%~1") is never tested, nor a path with a
#                     variable out of quotes (exist %V%), which blanks would split. A line
#                     that is `set "V=TEXT"` alone, TEXT with a character out of any %...%,
#                     defines V.
#   || and &&         Wine 8's cmd runs what follows either after a command, whatever it did.
#   for /f            only over a quoted text whose first character is written out and is
#                     neither ";" nor a delimiter: Windows' default end-of-line character is
#                     ";", compared past the delimiters, and Wine's cmd has none. Over a
#                     command, for /f starts a child cmd (and its AutoRun) for every loop.
#   set /p "=..."     Windows' cmd drops the prompt's leading blanks and fails on a leading
#                     "=": the prompt may not begin with one, nor with an argument as given.
# Usage: check_batch.sh FILE...
#        check_batch.sh --planted FILE   the check of the check: FILE's faults, each on the line
#                                        after a "rem planted" line, must be named, and no other
set -uo pipefail
[ $# -gt 0 ] || { echo "usage: check_batch.sh FILE... or --planted FILE" >&2 && exit 2; }
if [ "$1" = --planted ]; then
    [ $# = 2 ] || { echo "usage: check_batch.sh --planted FILE" >&2 && exit 2; }
    want=$(tr -d '\r' <"$2" | grep -in -A1 '^rem planted' | sed -n 's/^\([0-9][0-9]*\)-.*/\1/p')
    got=$(bash "$0" "$2" | sed -n 's/^[^:]*:\([0-9]*\): .*/\1/p' | uniq)
    [ -n "$want" ] && [ "$want" = "$got" ] && echo "every planted fault named, nothing else" &&
        exit 0
    echo "planted faults on lines:" $want
    echo "named on lines:         " $got
    exit 1
fi
# The patterns, in variables: bash reads a regular expression written out in [[ ]] its own way.
re_comment='^[[:space:]@]*(rem([[:space:]]|$)|::)'
re_guard='if[[:space:]]+not[[:space:]]+defined[[:space:]]+([^[:space:]]+)[[:space:]]+goto'
re_echo='(^|[^[:alnum:]_])echo[.(]'
re_exist='exist[[:space:]]+"([^"]*)"(.*)'
re_variable='^%([^%~]+)%$'
re_argument='^%~?[a-z]*[1-9*]$'
re_bare_exist='exist[[:space:]]+([^"[:space:]][^[:space:]]*)'
re_set='set[[:space:]]+(/[ap][[:space:]]+)?"?([^"=[:space:]]+)=(.*)'
re_set_line='^set[[:space:]]+"([^"=[:space:]]+)=(.*)"[^"]*$'
re_expansion='%[^%]*%'
re_chain='[|][|]|&&'
re_for='for[[:space:]]+/f'
re_for_parts='for[[:space:]]+/f[[:space:]]+("([^"]*)"[[:space:]]+)?%%?.[[:space:]]+in[[:space:]]*[(](.)'
re_delims='delims=(.*)$'
re_text='in[[:space:]]*[(]"(.)'
re_prompt='set[[:space:]]+/p[[:space:]]+"?[^="]*=([[:space:]=]|%~?[0-9*])'
found=0
flag() { # FILE LINE-NUMBER WHY
    echo "$1:$2: $3"
    found=$((found + 1))
}
for file in "$@"; do
    number=0 guarded=" "
    while IFS= read -r line || [ -n "$line" ]; do
        number=$((number + 1))
        line=${line%$'\r'}
        lower=${line,,}
        # Comments say what the code avoids; only the code is checked.
        [[ $lower =~ $re_comment ]] && continue
        # A guard holds until the variable is set again.
        rest=$lower
        while [[ $rest =~ $re_set ]]; do
            guarded=${guarded/ ${BASH_REMATCH[2]} / } rest=${BASH_REMATCH[3]}
        done
        # Set unconditionally to a text that no expansion can empty.
        if [[ $lower =~ $re_set_line ]]; then
            name=${BASH_REMATCH[1]} text=${BASH_REMATCH[2]}
            while [[ $text =~ $re_expansion ]]; do
                text=${text/"${BASH_REMATCH[0]}"/}
            done
            [[ -z $text || $text == *[%!]* ]] || [[ $guarded == *" $name "* ]] || guarded+="$name "
        fi
        if [[ $lower =~ $re_guard ]]; then
            guarded+="${BASH_REMATCH[1]} "
        fi
        if [[ $lower =~ $re_chain ]]; then
            flag "$file" $number '|| or && (Wine'"'"'s cmd runs what follows either way)'
        fi
        if [[ $lower =~ $re_bare_exist && ${BASH_REMATCH[1]} == *%* ]]; then
            flag "$file" $number 'exist with a variable out of quotes'
        fi
        if [[ $lower =~ $re_echo ]]; then
            flag "$file" $number 'echo. or echo( (echo: is the same on both cmds)'
        fi
        rest=$lower
        while [[ $rest =~ $re_exist ]]; do
            path=${BASH_REMATCH[1]} rest=${BASH_REMATCH[2]}
            if [ -z "$path" ]; then
                flag "$file" $number 'exist "" (a syntax error to Wine'"'"'s cmd)'
            elif [[ $path =~ $re_argument ]]; then
                flag "$file" $number "exist \"$path\", an argument as given, which can be empty"
            elif [[ $path =~ $re_variable ]]; then
                name=${BASH_REMATCH[1]}
                [[ $guarded == *" $name "* || $lower == *"if defined $name "* ]] ||
                    flag "$file" $number "exist \"%$name%\" without \"if defined $name\" first"
            fi
        done
        if [[ $lower =~ $re_for ]]; then
            if [[ $lower =~ $re_for_parts ]]; then
                options=${BASH_REMATCH[2]} opening=${BASH_REMATCH[3]}
                delims=$' \t'
                [[ $options =~ $re_delims ]] && delims=${BASH_REMATCH[1]}
                if [ "$opening" != '"' ] || [[ $options == *usebackq* ]]; then
                    flag "$file" $number 'for /f over a command, a file or an expansion, not a text written out in quotes'
                elif [[ $lower =~ $re_text ]]; then
                    first=${BASH_REMATCH[1]}
                    if [[ ';%!"' == *"$first"* || $delims == *"$first"* ]]; then
                        flag "$file" $number "for /f over a text that begins with \"$first\": the end-of-line rule differs"
                    fi
                fi
            else
                flag "$file" $number 'for /f in a form this check cannot read'
            fi
        fi
        if [[ $lower =~ $re_prompt ]]; then
            flag "$file" $number 'set /p prompt that begins with a blank, "=" or an argument as given'
        fi
    done <"$file"
done
[ $found = 0 ] && echo "$# batch files: none of the constructs that differ between the cmds"
[ $found = 0 ]
