# What keycode.exe and keywait.exe are made of, said once for the Windows build and the
# native test build.
set(KEYCODE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/control/program_entry.cpp
    ${CMAKE_CURRENT_LIST_DIR}/keys/read_key_value.cpp
    ${CMAKE_CURRENT_LIST_DIR}/keys/write_key_value.cpp)
# keywait.exe shares the key value's header (packing and filters) and the console boundary.
set(KEYWAIT_SOURCES ${CMAKE_CURRENT_LIST_DIR}/control/keywait_entry.cpp)
# The banner lives in the header block's free tail, right after the one section's entry in
# the section table (which ends at 0x198), not in the section: a 512-byte section then holds
# the code and the import tables, and the file is 1024 bytes.
set(KEYCODE_BANNER_OFFSET 0x198)
