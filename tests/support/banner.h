// The banner line as keycode must print it: the tests' own copy, kept apart from the
// program's source so that no test takes it from the code it checks. Shell checks read the
// line below as it stands.
#pragma once

#define EXPECTED_BANNER "Displays keystroke events.  <Esc> to exit.  dorix.example/dorix  12/31/2019\r\n"
