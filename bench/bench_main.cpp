// Runs every benchmark, then prints the speed-up of each production case over its plain reference
// case ("<case>/literal" against "<case>/fast") measured in the same run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

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

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
