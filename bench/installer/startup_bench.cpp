// Start-up with a large package: LocatePayload plus writing every piece to the
// work folder, against `cp` of the same installer file on the same disk,
// measured side by side in one run. Prints both throughputs, their ratio and
// the peak resident memory of the start-up (its own child process).
//
//   installer_startup_bench [--size-mb 300] [--dir /var/tmp] [--rounds 5]
// The best of the rounds counts for each side; KESTRIN_BENCH_PHASES=1 also
// prints the locate and write times of each start-up run.
#include "file_utils.h"
#include "installer_file.h"
#include "pack_config.h"
#include "payload.h"
#include "pe_test_image.h"
#include "scripted_platform.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Run {
    double seconds = 0;
    long peakRssKb = 0;
    bool ok = false;
};

// Runs `work` in a child process so that its peak RSS is its own.
template <typename Work>
Run InChild(Work work) {
    const auto start = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) _exit(work() ? 0 : 1);
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.peakRssKb = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

void WritePattern(const fs::path& file, std::uint64_t bytes) {
    std::ofstream out(file, std::ios::binary);
    std::vector<char> block(1 << 20);
    std::uint64_t state = 0x9E3779B97F4A7C15ULL;
    for (std::uint64_t done = 0; done < bytes;) {
        for (std::size_t i = 0; i < block.size(); i += 8) {
            state ^= state << 13, state ^= state >> 7, state ^= state << 17;
            for (int b = 0; b < 8 && i + b < block.size(); ++b) block[i + b] = static_cast<char>(state >> (8 * b));
        }
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), bytes - done));
        out.write(block.data(), static_cast<std::streamsize>(n));
        done += n;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::uint64_t sizeMb = 300;
    fs::path base = "/var/tmp";
    int rounds = 5;
    // A mistyped option or a bare --help must not start a run that writes
    // hundreds of megabytes.
    CLI::App app{"Start-up benchmark: LocatePayload plus writing every piece, against cp of the same file"};
    app.add_option("--size-mb", sizeMb, "Size of the package in MB")->capture_default_str()->check(CLI::Range(1, 100'000));
    std::string dir = base.string();
    app.add_option("--dir", dir, "Folder for the scratch files")->capture_default_str();
    app.add_option("--rounds", rounds, "Rounds of each side; the best counts")->capture_default_str()->check(CLI::Range(1, 1000));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error) == 0 ? 0 : 2;
    }
    base = dir;
    const fs::path root = base / ("kestrin-startup-bench-" + std::to_string(::getpid()));
    fs::create_directories(root / "pieces");

    // A realistic installer: a 1 MB stub, a descriptor, an image, the large
    // package and three small programs, packed by the real packer.
    const std::uint64_t packageBytes = sizeMb * 1'000'000;
    WritePattern(root / "pieces" / "stub.exe", 1'000'000);
    {  // the packer takes only a Windows executable as its stub
        const std::string header = kestrin::testing::PeImage(512);
        std::fstream stub(root / "pieces" / "stub.exe", std::ios::binary | std::ios::in | std::ios::out);
        stub.write(header.data(), static_cast<std::streamsize>(header.size()));
    }
    WritePattern(root / "pieces" / "image.jpg", 200'000);
    WritePattern(root / "pieces" / "product.msi", packageBytes);
    for (const char* name : {"pre.exe", "post.exe", "clean.exe"}) WritePattern(root / "pieces" / name, 300'000);
    kestrin::pack::PackConfig config;
    config.fields[kestrin::kWindowTitleField] = "Benchmark";
    config.fields[kestrin::kPreInstallExeNameField] = "Pre.exe";
    config.fields[kestrin::kPostInstallExeNameField] = "Post.exe";
    config.fields[kestrin::kPreUninstallExeNameField] = "Clean.exe";
    config.fields[kestrin::kAlreadyInstalledField] = "0";
    config.pieceFiles = {root / "pieces" / "image.jpg", root / "pieces" / "product.msi", root / "pieces" / "pre.exe",
                         root / "pieces" / "post.exe", root / "pieces" / "clean.exe"};
    kestrin::testing::ScriptedPlatform platform(root / "fs");
    const fs::path installer = platform.HostPath("C:\\Setup\\Setup.exe");
    fs::create_directories(installer.parent_path());
    kestrin::pack::BuildInstaller(root / "pieces" / "stub.exe", config, installer);
    fs::remove_all(root / "pieces");
    const std::uint64_t fileBytes = fs::file_size(installer);
    const std::uint64_t payloadBytes = fileBytes - 1'000'000 - kestrin::kTrailerSize;

    // cp copies the whole file: the same bytes plus the 1 MB stub.
    const fs::path cpTarget = root / "cp-copy.exe";
    const std::string cpCommand = "cp '" + installer.string() + "' '" + cpTarget.string() + "'";
    auto cp = [&]() { return std::system(cpCommand.c_str()) == 0; };
    auto startUp = [&]() {
        kestrin::testing::ScriptedPlatform child(root / "fs");
        const auto t0 = Clock::now();
        kestrin::LocatedPayload payload = kestrin::LocatePayload(child, "C:\\Setup\\Setup.exe");
        if (!payload.found) return false;
        const auto t1 = Clock::now();
        const char* names[] = {"Descriptor.txt", "Image.jpg", "Product.msi", "Pre.exe", "Post.exe", "Clean.exe"};
        kestrin::CreateFolderTree(child, "C:\\Users\\Public\\Install");
        for (std::size_t k = 0; k < kestrin::kPieceCount; ++k)
            kestrin::WriteBlobToFile(child, payload.pieces[k], std::string("C:\\Users\\Public\\Install\\") + names[k]);
        if (std::getenv("KESTRIN_BENCH_PHASES"))
            std::fprintf(stderr, "  locate %.3f s, write %.3f s\n", std::chrono::duration<double>(t1 - t0).count(),
                         std::chrono::duration<double>(Clock::now() - t1).count());
        return true;
    };

    Run bestCp, bestOurs;
    bestCp.seconds = bestOurs.seconds = 1e9;
    for (int round = 0; round < rounds; ++round) {
        fs::remove(cpTarget);
        fs::remove_all(platform.HostPath("C:\\Users\\Public\\Install"));
        ::sync();
        const Run c = InChild(cp);
        ::sync();
        const Run o = InChild(startUp);
        if (!c.ok || !o.ok) {
            std::fprintf(stderr, "a run failed (cp %d, start-up %d)\n", c.ok, o.ok);
            return 1;
        }
        if (c.seconds < bestCp.seconds) bestCp = c;
        if (o.seconds < bestOurs.seconds) bestOurs = o;
        bestOurs.peakRssKb = std::max(bestOurs.peakRssKb, o.peakRssKb);
    }
    const bool same = fs::file_size(platform.HostPath("C:\\Users\\Public\\Install\\Product.msi")) == packageBytes;
    fs::remove_all(root);

    const double mb = 1e6;
    const double cpRate = static_cast<double>(fileBytes) / mb / bestCp.seconds;
    const double ourRate = static_cast<double>(payloadBytes) / mb / bestOurs.seconds;
    const double ratio = ourRate / cpRate;
    const double peakMb = static_cast<double>(bestOurs.peakRssKb) * 1024 / mb;
    const double budgetMb = 1.1 * static_cast<double>(payloadBytes) / mb + 32 * 1.048576;
    std::printf("installer file        %.1f MB (payload %.1f MB, package %.1f MB)\n", fileBytes / mb,
                payloadBytes / mb, packageBytes / mb);
    std::printf("cp of the file        %.3f s  %.1f MB/s\n", bestCp.seconds, cpRate);
    std::printf("start-up (locate+write) %.3f s  %.1f MB/s\n", bestOurs.seconds, ourRate);
    std::printf("throughput ratio      %.2f (goal >= 0.80) %s\n", ratio, ratio >= 0.8 ? "ok" : "BELOW GOAL");
    std::printf("peak RSS of start-up  %.1f MB (budget 1.1 x payload + 32 MB = %.1f MB) %s\n", peakMb, budgetMb,
                peakMb <= budgetMb ? "ok" : "OVER BUDGET");
    std::printf("package written whole %s\n", same ? "yes" : "NO");
    return same ? 0 : 1;
}
