// tracecheck VMHOST SCENARIO WORKDIR
//
// Runs one scenario test: copies SCENARIO into a fresh WORKDIR (so that
// parallel tests never share a sound log), runs `vmhost run` on it there and
// checks the trace, the error output, the sound log and the exit status
// against the scenario's own #CHECK directives. Exit status 0 when all match.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "subprocess.h"
#include "tracematch.h"

namespace fs = std::filesystem;

namespace {

// The trace is read byte for byte: it has "\n" line ends on every platform.
// vmhost's error output and the sound log are text files, read in text mode
// so that their line ends are "\n" on every platform too.
std::optional<std::string> read_file(const fs::path& p, bool text = false) {
    std::ifstream in(p, text ? std::ios::in : std::ios::in | std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// "%{bin}" stands for the folder of vmhost and the plug-ins built with it.
std::string substitute(std::string text, const std::string& bin) {
    const std::string key = "%{bin}";
    for (std::size_t p = text.find(key); p != std::string::npos; p = text.find(key, p + bin.size()))
        text.replace(p, key.size(), bin);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: tracecheck VMHOST SCENARIO WORKDIR\n";
        return 2;
    }
    const fs::path vmhost = fs::absolute(argv[1]);
    const fs::path scenario = argv[2];
    const fs::path work = fs::absolute(argv[3]);
    const std::string file = scenario.string();

    const auto source = read_file(scenario);
    if (!source) {
        std::cerr << file << ": error: cannot read the scenario\n";
        return 1;
    }
    std::string error;
    const tracematch::Expectations expect = tracematch::parse(*source, &error);
    if (!error.empty()) {
        std::cerr << file << ":" << error << "\n";
        return 1;
    }

    std::error_code ec;
    fs::remove_all(work, ec);
    fs::create_directories(work);
    const std::string name = scenario.filename().string();
    {
        std::ofstream out(work / name, std::ios::binary);
        out << substitute(*source, vmhost.parent_path().string());
    }
    fs::current_path(work);

    std::string command = testsupport::quote(vmhost.string()) + " run " + testsupport::quote(name);
    for (const auto& a : expect.args) command += " " + a;
    command += " --trace trace.txt > stdout.txt 2> stderr.txt";
    std::cout << "cd " << work.string() << " && " << command << "\n";
    std::cout.flush();
    const int status = testsupport::run_in(work, command);

    const auto trace = tracematch::split_lines(read_file("trace.txt").value_or(""));
    const auto err_text = read_file("stderr.txt", true).value_or("");
    const auto err = tracematch::split_lines(err_text);
    const auto log = read_file("VelmoraSound_Log.txt", true);

    const std::string failures = tracematch::check_exit(expect, status, file) +
                                 tracematch::check_trace(expect, trace, file) +
                                 tracematch::check_stderr(expect, err, file) +
                                 tracematch::check_log(expect, log, file);
    if (failures.empty()) return 0;
    std::cout << failures;
    if (!err_text.empty()) std::cout << "--- vmhost stderr ---\n" << err_text;
    std::cout << "--- trace: " << (work / "trace.txt").string() << "\n";
    return 1;
}
