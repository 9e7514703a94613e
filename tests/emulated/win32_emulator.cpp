#include "win32_emulator.h"

#include <unicorn/unicorn.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <strings.h>

namespace {

const uint32_t STUBS = 0x70000000;     // one 16-byte stub per import: "ret N"
const uint32_t CALLER = 0x70001000;    // where a return from ProgramEntry would land
const uint32_t DATA = 0x70010000;      // the command line lives here
const uint32_t STACK_TOP = 0x00300000; // 1 MiB stack below the usual image base
const uint32_t STDIN_HANDLE = 0x10, STDOUT_HANDLE = 0x14;
const uint64_t INSTRUCTION_LIMIT = 10000000; // and this many more for every queued record
const uint64_t INSTRUCTIONS_PER_RECORD = 1000;

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

struct Machine {
    uc_engine *uc = nullptr;
    const Launch *launch = nullptr;
    Win32Run *run = nullptr;
    size_t nextRecord = 0;
};

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

// A call that breaks the services' contract ends the run with an error that names it and its
// arguments, so that a case which expects NO_KEY cannot pass because the console answered
// "failed".
bool Breach(Machine &m, const char *call, const Args &arg, int count)
{
    std::string text = std::string("contract broken: ") + call + "(";
    char hex[16];
    for (int i = 0; i < count; ++i) {
        std::snprintf(hex, sizeof hex, "%s0x%x", i ? ", " : "", arg(i));
        text += hex;
    }
    m.run->error = text + ")";
    uc_emu_stop(m.uc);
    return false;
}

// Each service sets the result as the real one would and returns true, or ends the run
// (ExitProcess, a broken contract, a read with no record left) and returns false.
bool GetCommandLineService(Machine &m, const Args &, uint32_t &result)
{
    ++m.run->getCommandLineCalls;
    result = DATA;
    return true;
}

bool GetStdHandleService(Machine &m, const Args &arg, uint32_t &result)
{
    ++m.run->getStdHandleCalls;
    if (arg(0) != STD_INPUT_HANDLE && arg(0) != STD_OUTPUT_HANDLE)
        return Breach(m, "GetStdHandle", arg, 1);
    result = arg(0) == STD_INPUT_HANDLE ? STDIN_HANDLE : STDOUT_HANDLE;
    return true;
}

bool ReadConsoleInputService(Machine &m, const Args &arg, uint32_t &result)
{
    ++m.run->readCalls;
    if (arg(0) != STDIN_HANDLE || arg(2) != 1 || !arg(1) || !arg(3))
        return Breach(m, "ReadConsoleInputA", arg, 4);
    if (m.launch->stdinKind == NOT_CONSOLE_INPUT)
        return true;
    if (m.nextRecord == m.launch->records.size()) {
        m.run->waiting = true; // a real console would block here until the next record
        uc_emu_stop(m.uc);
        return false;
    }
    uc_mem_write(m.uc, arg(1), &m.launch->records[m.nextRecord++], sizeof(INPUT_RECORD));
    Write32(m.uc, arg(3), 1);
    result = 1;
    return true;
}

bool WriteFileService(Machine &m, const Args &arg, uint32_t &result)
{
    ++m.run->writeCalls;
    if (arg(0) != STDOUT_HANDLE || !arg(1) || !arg(3) || arg(4))
        return Breach(m, "WriteFile", arg, 5);
    if (m.launch->stdoutKind != WRITABLE_OUTPUT)
        return true;
    std::string bytes(arg(2), '\0');
    uc_mem_read(m.uc, arg(1), bytes.data(), bytes.size());
    m.run->output += bytes;
    Write32(m.uc, arg(3), arg(2));
    result = 1;
    return true;
}

bool ExitProcessService(Machine &m, const Args &arg, uint32_t &)
{
    m.run->exited = true; // the process ends here, whatever else it holds
    m.run->status = arg(0);
    uc_emu_stop(m.uc);
    return false;
}

// The five services by name, with the bytes of arguments each pops and what it does; each
// gets a 16-byte stub, "ret N", at STUBS + 16 * its place here.
struct Import {
    const char *name;
    unsigned argBytes;
    bool (*service)(Machine &, const Args &, uint32_t &);
};
const Import IMPORTS[] = {{"GetCommandLineA", 0, GetCommandLineService},
                          {"GetStdHandle", 4, GetStdHandleService},
                          {"ReadConsoleInputA", 16, ReadConsoleInputService},
                          {"WriteFile", 20, WriteFileService},
                          {"ExitProcess", 4, ExitProcessService}};

// Called before a stub's "ret N": the service sets EAX and the stub returns.
void OnService(uc_engine *uc, uint64_t address, uint32_t, void *user)
{
    Machine &m = *static_cast<Machine *>(user);
    Args arg{uc, 0};
    uc_reg_read(uc, UC_X86_REG_ESP, &arg.esp);
    uint32_t result = 0;
    if (IMPORTS[(address - STUBS) / 16].service(m, arg, result))
        uc_reg_write(uc, UC_X86_REG_EAX, &result);
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

Win32Run RunWin32(const std::string &exePath, const Launch &launch)
{
    Win32Run run;
    std::ifstream in(exePath, std::ios::binary);
    const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Machine m;
    m.launch = &launch;
    m.run = &run;
    if (uc_open(UC_ARCH_X86, UC_MODE_32, &m.uc) != UC_ERR_OK) {
        run.error = "no emulator";
        return run;
    }
    uc_engine *uc = m.uc;
    uc_mem_map(uc, STUBS, 0x2000, UC_PROT_READ | UC_PROT_EXEC);
    for (unsigned i = 0; i < std::size(IMPORTS); ++i) {
        const uint8_t stub[3] = {0xC2, static_cast<uint8_t>(IMPORTS[i].argBytes), 0};
        uc_mem_write(uc, STUBS + 16 * i, stub, sizeof stub);
    }
    uc_mem_map(uc, DATA, 0x10000, UC_PROT_READ);
    uc_mem_write(uc, DATA, launch.commandLine.c_str(), launch.commandLine.size() + 1);
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
        const uc_err err =
            uc_emu_start(uc, entry, CALLER, 0,
                         INSTRUCTION_LIMIT + INSTRUCTIONS_PER_RECORD * launch.records.size());
        uint32_t eip = 0;
        uc_reg_read(uc, UC_X86_REG_EIP, &eip);
        // A return from the entry point ends only the first thread: where another thread
        // lives, the process goes on and its status is not this one. Only ExitProcess counts.
        if (err != UC_ERR_OK)
            run.error = std::string(uc_strerror(err)) + " at " + std::to_string(eip);
        else if (eip == CALLER)
            run.error = "returned from the entry point instead of calling ExitProcess";
        else if (run.error.empty() && !run.waiting && !run.exited)
            run.error = "did not end within the instruction limit";
    }
    uc_close(uc);
    return run;
}
