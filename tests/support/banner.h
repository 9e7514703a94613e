// The banner line as keycode must print it: the tests' own copy, kept apart from the
// program's source so that no test takes it from the code it checks. Shell checks read the
// define as it stands, on one line, which clang-format is kept from breaking.
#pragma once

// clang-format off
#define EXPECTED_BANNER "Displays keystroke events.  <Esc> to exit.  dorix.example/dorix  12/31/2019\r\n"
// clang-format on
