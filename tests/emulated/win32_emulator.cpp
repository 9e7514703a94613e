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

struct Import {
    const char *name;
    unsigned argBytes;
};
const Import IMPORTS[] = {{"GetCommandLineA", 0},
                          {"GetStdHandle", 4},
                          {"ReadConsoleInputA", 16},
                          {"WriteFile", 20},
                          {"ExitProcess", 4}};

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

// A call that breaks the services' contract ends the run with an error that names it, so
// that a case which expects NO_KEY cannot pass because the console answered "failed".
void Breach(uc_engine *uc, Machine &m, const std::string &call)
{
    m.run->error = "contract broken: " + call;
    uc_emu_stop(uc);
}

std::string Hex(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

// Called before the stub's "ret N": sets EAX as the service would and lets the stub return.
void OnService(uc_engine *uc, uint64_t address, uint32_t, void *user)
{
    Machine &m = *static_cast<Machine *>(user);
    uint32_t esp = 0;
    uc_reg_read(uc, UC_X86_REG_ESP, &esp);
    auto arg = [&](int i) { return Read32(uc, esp + 4 + 4 * i); };
    uint32_t result = 0;
    switch ((address - STUBS) / 16) {
    case 0:
        ++m.run->getCommandLineCalls;
        result = DATA;
        break;
    case 1:
        ++m.run->getStdHandleCalls;
        if (arg(0) != STD_INPUT_HANDLE && arg(0) != STD_OUTPUT_HANDLE)
            return Breach(uc, m, "GetStdHandle(" + Hex(arg(0)) + ")");
        result = arg(0) == STD_INPUT_HANDLE ? STDIN_HANDLE : STDOUT_HANDLE;
        break;
    case 2:
        ++m.run->readCalls;
        if (arg(0) != STDIN_HANDLE || arg(2) != 1 || !arg(1) || !arg(3))
            return Breach(uc, m,
                          "ReadConsoleInputA(" + Hex(arg(0)) + ", " + Hex(arg(1)) + ", " +
                              std::to_string(arg(2)) + ", " + Hex(arg(3)) + ")");
        // A file, a pipe or NUL is not console input: the read fails at once.
        if (m.launch->stdinKind != CONSOLE_INPUT)
            break;
        if (m.nextRecord == m.launch->records.size()) {
            m.run->waiting = true; // a real console would block here until the next record
            uc_emu_stop(uc);
            return;
        }
        uc_mem_write(uc, arg(1), &m.launch->records[m.nextRecord++], sizeof(INPUT_RECORD));
        Write32(uc, arg(3), 1);
        result = 1;
        break;
    case 3: {
        ++m.run->writeCalls;
        if (arg(0) != STDOUT_HANDLE || !arg(1) || !arg(3) || arg(4))
            return Breach(uc, m,
                          "WriteFile(" + Hex(arg(0)) + ", " + Hex(arg(1)) + ", " +
                              std::to_string(arg(2)) + ", " + Hex(arg(3)) + ", " + Hex(arg(4)) +
                              ")");
        if (m.launch->stdoutKind != WRITABLE_OUTPUT)
            break;
        std::string bytes(arg(2), '\0');
        uc_mem_read(uc, arg(1), bytes.data(), bytes.size());
        m.run->output += bytes;
        Write32(uc, arg(3), arg(2));
        result = 1;
        break;
    }
    case 4: // the process ends here, whatever else it holds
        m.run->exited = true;
        m.run->status = arg(0);
        uc_emu_stop(uc);
        return;
    }
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
    if (!Get(file, 0x3C, pe) || file.compare(pe, 4, std::string("PE\0\0", 4)) ||
        !Get(file, pe + 6, sections) || !Get(file, pe + 20, optionalSize) ||
        !Get(file, pe + 24 + 16, entry) || !Get(file, pe + 24 + 28, base) ||
        !Get(file, pe + 24 + 56, imageSize) || !Get(file, pe + 24 + 60, headersSize) ||
        !Get(file, pe + 24 + 104, importRva)) {
        run.error = "not a PE32 image";
        return 0;
    }
    const uint32_t mapped = (imageSize + 0xFFF) & ~0xFFFu;
    uc_mem_map(uc, base, mapped, UC_PROT_ALL);
    uc_mem_write(uc, base, file.data(), std::min<size_t>(headersSize, file.size()));
    const size_t table = pe + 24 + optionalSize;
    for (unsigned i = 0; i < sections; ++i) {
        uint32_t rva = 0, rawSize = 0, rawOffset = 0;
        Get(file, table + 40 * i + 12, rva);
        Get(file, table + 40 * i + 16, rawSize);
        Get(file, table + 40 * i + 20, rawOffset);
        if (rawOffset + rawSize > file.size()) {
            run.error = "section beyond the end of the file";
            return 0;
        }
        uc_mem_write(uc, base + rva, file.data() + rawOffset, rawSize);
    }
    // Imports, from the mapped image as the loader sees it.
    for (uint32_t d = base + importRva; Read32(uc, d + 12); d += 20) {
        char dll[32] = {};
        uc_mem_read(uc, base + Read32(uc, d + 12), dll, sizeof dll - 1);
        if (strcasecmp(dll, "KERNEL32.dll")) {
            run.error = std::string("imports from ") + dll;
            return 0;
        }
        uint32_t lookup = base + Read32(uc, d), bound = base + Read32(uc, d + 16);
        for (uint32_t thunk; (thunk = Read32(uc, lookup)); lookup += 4, bound += 4) {
            char name[64] = {};
            uc_mem_read(uc, base + thunk + 2, name, sizeof name - 1);
            const Import *found = nullptr;
            for (const Import &import : IMPORTS)
                if (!std::strcmp(import.name, name))
                    found = &import;
            if (!found || thunk & 0x80000000u) {
                run.error = std::string("unknown import ") + name;
                return 0;
            }
            Write32(uc, bound, STUBS + 16 * static_cast<uint32_t>(found - IMPORTS));
        }
    }
    // Now the sections' own protections: a write to code or constant data faults.
    for (unsigned i = 0; i < sections; ++i) {
        uint32_t rva = 0, flags = 0;
        Get(file, table + 40 * i + 12, rva);
        Get(file, table + 40 * i + 36, flags);
        uint32_t perms = (flags & 0x20000000 ? UC_PROT_EXEC : 0) |
                         (flags & 0x40000000 ? UC_PROT_READ : 0) |
                         (flags & 0x80000000u ? UC_PROT_WRITE : 0);
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
