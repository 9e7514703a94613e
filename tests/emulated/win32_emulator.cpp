#include "win32_emulator.h"

#include "fake_console.h"

#include <unicorn/unicorn.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <strings.h>

namespace {

const uint32_t STUBS = 0x70000000;  // one 16-byte stub per import: "ret N"
const uint32_t CALLER = 0x70001000; // where a return from ProgramEntry would land
const uint32_t DATA = 0x70010000;   // the command line lives here
const uint32_t DATA_SIZE = 0x10000;
const uint32_t STACK_TOP = 0x00300000;       // 1 MiB stack below the usual image base
const uint64_t INSTRUCTION_LIMIT = 10000000; // and this many more for every scripted read
const uint64_t INSTRUCTIONS_PER_READ = 1000;
const uint32_t WRITE_MAX = 0x100000; // more than any write of the programs

// The places in a PE32 file that loading it reads. The DOS header holds the PE header's
// offset; the optional header follows the PE header's 24 bytes; each section has a 40-byte
// entry after it, and each imported DLL a 20-byte import directory entry.
const size_t DOS_PE_OFFSET = 0x3C;
const size_t PE_SECTION_COUNT = 6, PE_OPTIONAL_SIZE = 20, PE_OPTIONAL_HEADER = 24;
const size_t OPTIONAL_ENTRY = 16, OPTIONAL_IMAGE_BASE = 28, OPTIONAL_IMAGE_SIZE = 56,
             OPTIONAL_HEADERS_SIZE = 60, OPTIONAL_IMPORT_TABLE = 104;
const size_t SECTION_ENTRY = 40, SECTION_RVA = 12, SECTION_RAW_SIZE = 16, SECTION_RAW_OFFSET = 20,
             SECTION_FLAGS = 36;
const uint32_t SECTION_EXECUTE = 0x20000000, SECTION_READ = 0x40000000, SECTION_WRITE = 0x80000000;
const uint32_t IMPORT_ENTRY = 20, IMPORT_LOOKUP = 0, IMPORT_DLL_NAME = 12, IMPORT_ADDRESSES = 16;
const uint32_t IMPORT_BY_ORDINAL = 0x80000000, IMPORT_HINT = 2; // a name follows its hint

uint32_t Read32(uc_engine *uc, uint32_t address)
{
    uint32_t value = 0;
    uc_mem_read(uc, address, &value, 4);
    return value;
}

void Write32(uc_engine *uc, uint32_t address, uint32_t value)
{
    if (address)
        uc_mem_write(uc, address, &value, 4);
}

// A service's arguments, as the caller pushed them.
struct Args {
    uc_engine *uc;
    uint32_t esp;
    uint32_t operator()(int i) const { return Read32(uc, esp + 4 + 4 * i); }
};

// A handle is 32 bits there: -1, the process's pseudo-handle, stays -1 here.
HANDLE Handle(uint32_t value)
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}

// What a pointer argument points at, copied here before the call and back after it; null
// stays null, so that the service's contract sees it.
template <typename T> struct Out {
    uc_engine *uc;
    uint32_t address;
    T value{};
    Out(uc_engine *uc, uint32_t address) : uc(uc), address(address)
    {
        if (address)
            uc_mem_read(uc, address, &value, sizeof value);
    }
    ~Out()
    {
        if (address)
            uc_mem_write(uc, address, &value, sizeof value);
    }
    T *get() { return address ? &value : nullptr; }
};

uint32_t CommandLineService(const Args &arg)
{
    const char *line = GetCommandLineA();
    if (!line)
        return 0;
    uc_mem_write(arg.uc, DATA, line, std::min<size_t>(std::strlen(line) + 1, DATA_SIZE));
    return DATA;
}

uint32_t ReadService(const Args &arg)
{
    Out<INPUT_RECORD> record(arg.uc, arg(1));
    Out<DWORD> count(arg.uc, arg(3));
    return ReadConsoleInputA(Handle(arg(0)), record.get(), arg(2), count.get());
}

uint32_t WriteService(const Args &arg)
{
    std::string bytes(std::min(arg(2), WRITE_MAX), '\0');
    const bool read =
        arg(1) && uc_mem_read(arg.uc, arg(1), bytes.data(), bytes.size()) == UC_ERR_OK;
    Out<DWORD> written(arg.uc, arg(3));
    return WriteFile(Handle(arg(0)), read ? bytes.data() : nullptr,
                     static_cast<DWORD>(bytes.size()), written.get(),
                     reinterpret_cast<void *>(static_cast<uintptr_t>(arg(4))));
}

uint32_t CountService(const Args &arg)
{
    Out<DWORD> count(arg.uc, arg(1));
    return GetNumberOfConsoleInputEvents(Handle(arg(0)), count.get());
}

// The services by name, with the bytes of arguments each pops; each gets a 16-byte stub,
// "ret N", at STUBS + 16 * its place here.
struct Import {
    const char *name;
    unsigned argBytes;
    uint32_t (*service)(const Args &);
};
const Import IMPORTS[] = {
    {"GetCommandLineA", 0, CommandLineService},
    {"GetStdHandle", 4,
     [](const Args &arg) { return static_cast<uint32_t>(uintptr_t(GetStdHandle(arg(0)))); }},
    {"ReadConsoleInputA", 16, ReadService},
    {"WriteFile", 20, WriteService},
    {"ExitProcess", 4, [](const Args &arg) -> uint32_t { ExitProcess(arg(0)); }},
    {"GetNumberOfConsoleInputEvents", 8, CountService},
    {"WaitForSingleObject", 8,
     [](const Args &arg) { return WaitForSingleObject(Handle(arg(0)), arg(1)); }},
    {"GetTickCount", 0, [](const Args &) { return GetTickCount(); }},
};

struct Machine {
    Win32Run *run;
    bool exited = false;
};

// Called before a stub's "ret N": the service sets EAX and the stub returns, or the process
// ends. The stand-in's ExitProcess throws; it is caught here, as no exception may cross the
// emulator's C frames.
void OnService(uc_engine *uc, uint64_t address, uint32_t, void *user)
{
    Machine &m = *static_cast<Machine *>(user);
    Args arg{uc, 0};
    uc_reg_read(uc, UC_X86_REG_ESP, &arg.esp);
    try {
        uint32_t result = IMPORTS[(address - STUBS) / 16].service(arg);
        uc_reg_write(uc, UC_X86_REG_EAX, &result);
    } catch (const ProcessExit &exit) {
        m.exited = true; // the process ends here, whatever else it holds
        m.run->status = exit.status;
        uc_emu_stop(uc);
    }
}

void CountInstruction(uc_engine *, uint64_t, uint32_t, void *user)
{
    ++static_cast<Machine *>(user)->run->instructions;
}

template <typename T> bool Get(const std::string &image, size_t offset, T &value)
{
    if (offset + sizeof(T) > image.size())
        return false;
    std::memcpy(&value, image.data() + offset, sizeof(T));
    return true;
}

// Maps the image and binds its imports; returns the entry address, or 0 with run.error set.
uint32_t Load(uc_engine *uc, const std::string &file, Win32Run &run)
{
    uint32_t pe = 0, base = 0, entry = 0, imageSize = 0, headersSize = 0, importRva = 0;
    uint16_t sections = 0, optionalSize = 0;
    const bool isPe =
        Get(file, DOS_PE_OFFSET, pe) && !file.compare(pe, 4, std::string("PE\0\0", 4));
    const size_t optional = pe + PE_OPTIONAL_HEADER;
    if (!isPe || !Get(file, pe + PE_SECTION_COUNT, sections) ||
        !Get(file, pe + PE_OPTIONAL_SIZE, optionalSize) ||
        !Get(file, optional + OPTIONAL_ENTRY, entry) ||
        !Get(file, optional + OPTIONAL_IMAGE_BASE, base) ||
        !Get(file, optional + OPTIONAL_IMAGE_SIZE, imageSize) ||
        !Get(file, optional + OPTIONAL_HEADERS_SIZE, headersSize) ||
        !Get(file, optional + OPTIONAL_IMPORT_TABLE, importRva)) {
        run.error = "not a PE32 image";
        return 0;
    }
    const uint32_t mapped = (imageSize + 0xFFF) & ~0xFFFu;
    uc_mem_map(uc, base, mapped, UC_PROT_ALL);
    uc_mem_write(uc, base, file.data(), std::min<size_t>(headersSize, file.size()));
    const size_t table = optional + optionalSize;
    for (unsigned i = 0; i < sections; ++i) {
        uint32_t rva = 0, rawSize = 0, rawOffset = 0;
        const size_t at = table + SECTION_ENTRY * i;
        Get(file, at + SECTION_RVA, rva);
        Get(file, at + SECTION_RAW_SIZE, rawSize);
        Get(file, at + SECTION_RAW_OFFSET, rawOffset);
        if (rawOffset + rawSize > file.size()) {
            run.error = "section beyond the end of the file";
            return 0;
        }
        uc_mem_write(uc, base + rva, file.data() + rawOffset, rawSize);
    }
    // Imports, from the mapped image as the loader sees it.
    for (uint32_t d = base + importRva; Read32(uc, d + IMPORT_DLL_NAME); d += IMPORT_ENTRY) {
        char dll[32] = {};
        uc_mem_read(uc, base + Read32(uc, d + IMPORT_DLL_NAME), dll, sizeof dll - 1);
        if (strcasecmp(dll, "KERNEL32.dll")) {
            run.error = std::string("imports from ") + dll;
            return 0;
        }
        uint32_t lookup = base + Read32(uc, d + IMPORT_LOOKUP),
                 bound = base + Read32(uc, d + IMPORT_ADDRESSES);
        for (uint32_t thunk; (thunk = Read32(uc, lookup)); lookup += 4, bound += 4) {
            char name[64] = {};
            uc_mem_read(uc, base + thunk + IMPORT_HINT, name, sizeof name - 1);
            const Import *found = nullptr;
            for (const Import &import : IMPORTS)
                if (!std::strcmp(import.name, name))
                    found = &import;
            if (!found || thunk & IMPORT_BY_ORDINAL) {
                run.error = std::string("unknown import ") + name;
                return 0;
            }
            Write32(uc, bound, STUBS + 16 * static_cast<uint32_t>(found - IMPORTS));
        }
    }
    // Now the sections' own protections: a write to code or constant data faults.
    for (unsigned i = 0; i < sections; ++i) {
        uint32_t rva = 0, flags = 0;
        Get(file, table + SECTION_ENTRY * i + SECTION_RVA, rva);
        Get(file, table + SECTION_ENTRY * i + SECTION_FLAGS, flags);
        uint32_t perms = (flags & SECTION_EXECUTE ? UC_PROT_EXEC : 0) |
                         (flags & SECTION_READ ? UC_PROT_READ : 0) |
                         (flags & SECTION_WRITE ? UC_PROT_WRITE : 0);
        uc_mem_protect(uc, base + rva, mapped - rva, perms);
    }
    uc_mem_protect(uc, base, 0x1000, UC_PROT_READ);
    return base + entry;
}

} // namespace

Win32Run RunWin32(const std::string &exePath)
{
    Win32Run run;
    std::ifstream in(exePath, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Machine m{&run};
    uc_engine *uc = nullptr;
    if (uc_open(UC_ARCH_X86, UC_MODE_32, &uc) != UC_ERR_OK) {
        run.error = "no emulator";
        return run;
    }
    uc_mem_map(uc, STUBS, 0x2000, UC_PROT_READ | UC_PROT_EXEC);
    for (unsigned i = 0; i < std::size(IMPORTS); ++i) {
        const uint8_t stub[3] = {0xC2, static_cast<uint8_t>(IMPORTS[i].argBytes), 0};
        uc_mem_write(uc, STUBS + 16 * i, stub, sizeof stub);
    }
    uc_mem_map(uc, DATA, DATA_SIZE, UC_PROT_READ);
    uc_mem_map(uc, STACK_TOP - 0x100000, 0x100000, UC_PROT_READ | UC_PROT_WRITE);

    if (const uint32_t entry = Load(uc, file, run)) {
        uint32_t esp = STACK_TOP - 16;
        Write32(uc, esp, CALLER);
        uc_reg_write(uc, UC_X86_REG_ESP, &esp);
        uc_hook hooks[2];
        uc_hook_add(uc, &hooks[0], UC_HOOK_CODE, reinterpret_cast<void *>(OnService), &m, STUBS,
                    STUBS + 16 * std::size(IMPORTS) - 1);
        uc_hook_add(uc, &hooks[1], UC_HOOK_CODE, reinterpret_cast<void *>(CountInstruction), &m, 1,
                    0);
        const uc_err err = uc_emu_start(
            uc, entry, CALLER, 0, INSTRUCTION_LIMIT + INSTRUCTIONS_PER_READ * fake.reads.size());
        uint32_t eip = 0;
        uc_reg_read(uc, UC_X86_REG_EIP, &eip);
        // A return from the entry point ends only the first thread: where another thread
        // lives, the process goes on and its status is not this one. Only ExitProcess counts.
        if (err != UC_ERR_OK)
            run.error = std::string(uc_strerror(err)) + " at " + std::to_string(eip);
        else if (eip == CALLER)
            run.error = "returned from the entry point instead of calling ExitProcess";
        else if (!m.exited)
            run.error = "did not end within the instruction limit";
    }
    uc_close(uc);
    return run;
}
