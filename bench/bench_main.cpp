// Runs every benchmark, then prints the speed-up of each production case over its plain reference
// case ("<case>/literal" against "<case>/fast") measured in the same run. The speed-up table comes
// with the console format only: --benchmark_format=json or csv gives exactly that format on stdout.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <string_view>

namespace {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.iterations == 0) continue;
            const std::string name = run.run_name.function_name;
            const double seconds = run.real_accumulated_time / static_cast<double>(run.iterations);
            const auto slash = name.rfind('/');
            if (slash == std::string::npos) continue;
            times_[name.substr(0, slash)][name.substr(slash + 1)] = seconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\n%-40s %14s %14s %10s\n", "case", "literal (ms)", "fast (ms)", "speed-up");
        for (const auto& [name, variants] : times_) {
            const auto literal = variants.find("literal");
            const auto fast = variants.find("fast");
            if (literal == variants.end() || fast == variants.end()) continue;
            std::printf("%-40s %14.3f %14.4f %9.0fx\n", name.c_str(), literal->second * 1e3,
                        fast->second * 1e3, literal->second / fast->second);
        }
    }

private:
    std::map<std::string, std::map<std::string, double>> times_;
};

// Whether the output asked for is the console format (the default).
bool consoleFormat(int argc, char** argv) {
    const std::string_view flag = "--benchmark_format=";
    bool console = true;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument.substr(0, flag.size()) == flag) console = argument.substr(flag.size()) == "console";
    }
    return console;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string_view(argv[1]) == "--version") {
        std::printf("tessaline-bench %s\n", TESSALINE_VERSION);
        return 0;
    }
    const bool console = consoleFormat(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (console) {
        RatioReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } else {
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    return 0;
}
