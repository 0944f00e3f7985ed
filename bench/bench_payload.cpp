// Payload benchmark: opening the payload against a bare zlib inflate, and
// extracting every entry against plain writes of the same bytes. Runs are
// interleaved; medians and the ratio of medians come from the same run.
#include <windows.h>
#include <psapi.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "bench/BenchClock.h"
#include "instutils/InstUtils.h"
#include "instutils/InstallLog.h"
#include "instutils/WinHandles.h"
#include "payload/AttachFiles.h"
#include "payload/InstallThread.h"
#include "tests/payload/ShapedPayload.h"

namespace {

using bench::Median;
using bench::NowMs;

constexpr int kRuns = 9;

std::string LoadPayload(std::string& source) {
    std::ifstream in(PARVELA_DEMO_PAYLOAD, std::ios::binary);
    if (in) {
        source = "demo payload";
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    source = "payload of the same shape";
    return shaped::Build(true);
}

double BareInflate(const std::string& packed, size_t inflated) {
    const double t0 = NowMs();
    // Fresh memory each time, as the reader gets.
    auto* out = static_cast<Bytef*>(std::malloc(inflated));
    uLongf len = static_cast<uLongf>(inflated);
    const int rc = uncompress(out, &len, reinterpret_cast<const Bytef*>(packed.data()),
                              static_cast<uLong>(packed.size()));
    const double t1 = NowMs();
    std::free(out);
    if (rc != Z_OK) std::fprintf(stderr, "bench: bare inflate failed (%d)\n", rc);
    return t1 - t0;
}

double RawWrite(const TAttachedFiles& files, const std::string& root) {
    const double t0 = NowMs();
    std::set<std::string> made;
    for (const TAttachedFile& e : files.Entries) {
        const std::string target = root + e.Name;
        // The same folders, made the plain way.
        for (size_t p = target.find('\\', root.size()); p != std::string::npos;
             p = target.find('\\', p + 1)) {
            const std::string folder = target.substr(0, p);
            if (made.insert(folder).second) CreateDirectoryA(folder.c_str(), nullptr);
        }
        TUniqueHandle h(CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        DWORD written = 0;
        if (e.Size > 0)
            WriteFile(h.Get(), files.Data() + e.Offset, DWORD(e.Size), &written, nullptr);
    }
    return NowMs() - t0;
}

// As an installation run does it: a fresh log, and the files of the shared
// data folders (spelling, templates, clips) written with logging suspended.
double Extract(TAttachedFiles& files, const std::string& root) {
    TInstallLog log;
    log.CreateInstallLog();
    files.Log = &log;
    const double t0 = NowMs();
    for (const TAttachedFile& e : files.Entries) {
        const bool logged = e.Name == "parv.exe" || e.Name == "License.txt" ||
                            e.Name == "Basic.asn" || e.Name == "Hyphenation.dat";
        if (!logged) log.SuspendLogging();
        files.ExtractFile(&e, std::string(), root + e.Name);
        if (!logged) log.ResumeLogging();
    }
    const double ms = NowMs() - t0;
    files.Log = nullptr;
    return ms;
}

double MegaBytes(size_t n) { return double(n) / (1024.0 * 1024.0); }

size_t PeakWorkingSet() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    return GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc) ? pmc.PeakWorkingSetSize : 0;
}

size_t WorkingSet() {
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    return GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc) ? pmc.WorkingSetSize : 0;
}

// Child mode: the working set of opening the payload in a process that has
// done nothing else (the parent's own buffers would distort the peak).
int MeasureOpen(const char* path) {
    std::ifstream in(path, std::ios::binary);
    const std::string packed((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    const size_t before = WorkingSet();
    auto files =
        TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()), packed.size());
    if (!files) return 1;
    const size_t peak = PeakWorkingSet();
    std::printf("working_set_before_open_mb: %.2f\n", MegaBytes(before));
    std::printf("peak_working_set_mb: %.2f\n", MegaBytes(peak));
    std::printf("open_growth_vs_inflated: %.3f\n",
                double(peak - std::min(peak, before)) / double(files->DataSize()));
    std::fflush(stdout);
    return 0;
}

bool RunChild(const std::string& payloadPath) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string cmd = "\"" + std::string(self) + "\" --memory \"" + payloadPath + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi))
        return false;
    TUniqueHandle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = 1;
    return GetExitCodeProcess(process.Get(), &code) && code == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--memory") return MeasureOpen(argv[2]);
    SetMainThread();
    // A failed write must not wait for an answer nobody gives.
    SetThreadQuestionHandler([](const TThreadQuestion&) { return TThreadAnswer::Abort; });

    std::string source;
    const std::string packed = LoadPayload(source);

    // The memory figure comes from one open before anything else grows.
    TPayloadError err = TPayloadError::Ok;
    auto files = TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()),
                                        packed.size(), &err);
    if (!files) {
        std::fprintf(stderr, "bench: cannot open the payload: %s\n", PayloadErrorText(err));
        return 1;
    }
    const size_t inflated = static_cast<size_t>(files->DataSize());

    std::vector<double> open, inflate, extract, raw;
    for (int i = 0; i < kRuns; ++i) {
        // Alternate which variant goes first so that neither always runs warm.
        auto timeOpen = [&] {
            const double t0 = NowMs();
            auto f = TAttachedFiles::Create(reinterpret_cast<const uint8_t*>(packed.data()),
                                            packed.size());
            open.push_back(NowMs() - t0);
        };
        if (i % 2) {
            timeOpen();
            inflate.push_back(BareInflate(packed, inflated));
        } else {
            inflate.push_back(BareInflate(packed, inflated));
            timeOpen();
        }
    }

    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const std::string root =
        std::string(tmp) + "parvela_bench_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(root.c_str(), nullptr);
    for (int i = 0; i < kRuns; ++i) {
        // Fresh folders every run; the trees are removed only at the end.
        const std::string x = root + "x" + std::to_string(i) + "\\";
        const std::string y = root + "y" + std::to_string(i) + "\\";
        CreateDirectoryA(x.c_str(), nullptr);
        CreateDirectoryA(y.c_str(), nullptr);
        if (i % 2) {
            raw.push_back(RawWrite(*files, y));
            extract.push_back(Extract(*files, x));
        } else {
            extract.push_back(Extract(*files, x));
            raw.push_back(RawWrite(*files, y));
        }
    }
    // Spot check: the last extracted tree holds the payload's bytes.
    int mismatches = 0;
    for (const TAttachedFile& e : files->Entries)
        if (ReadFileSize(root + "x" + std::to_string(kRuns - 1) + "\\" + e.Name) != e.Size)
            ++mismatches;
    DeleteFolderTree(root);

    const double openMs = Median(open), inflateMs = Median(inflate);
    const double extractMs = Median(extract), rawMs = Median(raw);
    std::printf("source: %s\n", source.c_str());
    std::printf("records: %zu\n", files->Entries.size());
    std::printf("packed_mb: %.2f\n", MegaBytes(packed.size()));
    std::printf("inflated_mb: %.2f\n", MegaBytes(inflated));
    std::printf("runs: %d\n", kRuns);
    std::printf("open_ms: %.2f\n", openMs);
    std::printf("inflate_ms: %.2f\n", inflateMs);
    std::printf("open_vs_inflate: %.3f\n", openMs / inflateMs);
    std::printf("extract_ms: %.2f\n", extractMs);
    std::printf("raw_write_ms: %.2f\n", rawMs);
    std::printf("extract_vs_raw: %.3f\n", extractMs / rawMs);
    std::printf("size_mismatches: %d\n", mismatches);
    std::fflush(stdout);

    // The memory figures from a fresh process that only opens the payload.
    const std::string payloadFile = root.substr(0, root.size() - 1) + ".payload";
    {
        std::ofstream out(payloadFile, std::ios::binary);
        out.write(packed.data(), static_cast<std::streamsize>(packed.size()));
    }
    const bool childOk = RunChild(payloadFile);
    DeleteFileA(payloadFile.c_str());
    if (!childOk) std::fprintf(stderr, "bench: the memory measurement failed\n");
    return mismatches == 0 && childOk ? 0 : 1;
}
