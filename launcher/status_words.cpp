#include "status_words.h"

#include "keys/key_value.h"

char *Append(char *at, const char *text)
{
    while (*text)
        *at++ = *text++;
    *at = 0;
    return at;
}

namespace {

// What a process ended by Ctrl+C or Ctrl+Break through its default handler gives.
const unsigned STATUS_CONTROL_C_EXIT = 0xC000013A;

char *AppendHex(char *at, unsigned value, int digits)
{
    for (int i = digits - 1; i >= 0; --i)
        *at++ = "0123456789abcdef"[value >> 4 * i & 15];
    *at = 0;
    return at;
}

struct KeyName {
    unsigned char vk;
    const char *name;
};

// The names keyname.cmd gives; letters, digits and F1-F12 are worked out below.
const KeyName NAMES[] = {
    {0x08, "Backspace"}, {0x09, "Tab"},      {0x0D, "Enter"},   {0x10, "Shift"},
    {0x11, "Ctrl"},      {0x12, "Alt"},      {0x13, "Pause"},   {0x14, "CapsLock"},
    {0x1B, "Esc"},       {0x20, "Space"},    {0x21, "PageUp"},  {0x22, "PageDown"},
    {0x23, "End"},       {0x24, "Home"},     {0x25, "Left"},    {0x26, "Up"},
    {0x27, "Right"},     {0x28, "Down"},     {0x2D, "Insert"},  {0x2E, "Delete"},
    {0x5B, "LeftWin"},   {0x5C, "RightWin"}, {0x90, "NumLock"}, {0x91, "ScrollLock"},
};

// Control-key flags, lowest bit first as the console numbers them.
const char *const FLAGS[] = {"RightAlt", "LeftAlt",    "RightCtrl", "LeftCtrl", "Shift",
                             "NumLock",  "ScrollLock", "CapsLock",  "Enhanced"};

char *AppendKeyName(char *at, unsigned vk)
{
    char single[2] = {0, 0};
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) {
        single[0] = static_cast<char>(vk);
        return Append(at, single);
    }
    if (vk >= 0x70 && vk <= 0x7B) { // F1-F12
        at = Append(at, "F");
        if (vk >= 0x79)
            at = Append(at, "1");
        single[0] = static_cast<char>('0' + (vk - 0x6F) % 10);
        return Append(at, single);
    }
    for (const KeyName &key : NAMES)
        if (key.vk == vk)
            return Append(at, key.name);
    return AppendHex(Append(at, "vk 0x"), vk, 2);
}

// Letters, digits and space as themselves; anything else in hex.
char *AppendCharacter(char *at, unsigned ch)
{
    const bool plain = (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z') ||
                       (ch >= 'a' && ch <= 'z') || ch == ' ';
    if (!plain)
        return AppendHex(Append(at, "char 0x"), ch, 2);
    const char quoted[] = {'c', 'h', 'a', 'r', ' ', '\'', static_cast<char>(ch), '\'', 0};
    return Append(at, quoted);
}

char *AppendKey(char *at, unsigned code)
{
    at = Append(at, code & KEY_DOWN_FLAG ? "press  " : "release  ");
    at = AppendKeyName(at, code & 0xFF);
    if (code >> KEY_CHAR_SHIFT & 0xFF)
        at = AppendCharacter(Append(at, "  "), code >> KEY_CHAR_SHIFT & 0xFF);
    for (int bit = 0; bit < KEY_STATE_FLAGS; ++bit)
        if (code >> (KEY_STATE_SHIFT + bit) & 1)
            at = Append(Append(at, "  "), FLAGS[bit]);
    // The left Windows key's state bit, above the press bit (Windows Terminal sets it).
    if (code >> (KEY_VALUE_BITS - 1) & 1)
        at = Append(at, "  LeftWin");
    return at;
}

} // namespace

void DescribeKey(unsigned code, char *words)
{
    AppendKey(words, code);
}

void DescribeStatus(unsigned status, bool returnMode, char *words)
{
    if (status == 0 && !returnMode) {
        Append(words, "0 (Esc was shown)");
        return;
    }
    if (status == static_cast<unsigned>(NO_KEY)) {
        Append(words, "-1 (no key: the console could not be read, or the output not written)");
        return;
    }
    char *at = Append(AppendHex(Append(words, "0x"), status, 8), " (");
    if (status == STATUS_CONTROL_C_EXIT)
        at = Append(at, "ended by Ctrl+C or Ctrl+Break");
    else if (status >> KEY_VALUE_BITS)
        at = Append(at, "not a key code");
    else
        at = AppendKey(at, status);
    Append(at, ")");
}
