// Loading the settings file: a section with many values, and a file of 50 MB, each read through the
// settings store as the libraries read it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "common/app_settings.h"
#include "platform/posix/file_registry.h"

namespace corvel {
namespace {

namespace fs = std::filesystem;

// A file whose one section holds `count` values, alternately texts and numbers, padded with texts
// of `padding` characters; the section every value sits in is the worst case of a per-key lookup.
std::string settings_text(std::size_t count, std::size_t padding) {
    std::string text =
        "Windows Registry Editor Version "
        "5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\HALVARD\\Corvel\\Bench]\r\n";
    const std::string pad(padding, 'x');
    char line[64];
    for (std::size_t i = 0; i < count; ++i) {
        if (i % 2) {
            std::snprintf(line, sizeof line, "\"Setting%07zu\"=dword:%08zx\r\n", i, i);
            text += line;
        } else {
            std::snprintf(line, sizeof line, "\"Setting%07zu\"=\"", i);
            text += line;
            text += pad;
            text += "\"\r\n";
        }
    }
    return text;
}

class SettingsFile {
  public:
    explicit SettingsFile(const std::string& text)
        : dir_(fs::temp_directory_path() / ("corvel-settings-bench-" + std::to_string(::getpid()))) {
        fs::create_directories(dir_);
        std::ofstream(path(), std::ios::binary) << text;
    }
    ~SettingsFile() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path path() const { return dir_ / "registry.reg"; }

  private:
    fs::path dir_;
};

// Opens the file afresh and reads the last value written, as a new library object's first read does.
void load_and_read(benchmark::State& state, const std::string& text, std::size_t count) {
    const SettingsFile file(text);
    char last[32];
    std::snprintf(last, sizeof last, "setting%07zu", count - 1);
    for (auto _ : state) {
        CAppSettings store(std::make_shared<FileRegistry>(file.path()), "Tallowin3");
        store.Init("HALVARD", "Corvel");
        benchmark::DoNotOptimize(store.GetSetting("Bench", last, 0));
    }
    state.counters["values/s"] = benchmark::Counter(
        static_cast<double>(count) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["MB/s"] =
        benchmark::Counter(static_cast<double>(text.size()) * static_cast<double>(state.iterations()) / 1e6,
                           benchmark::Counter::kIsRate);
}

void BM_LoadSettingsValues(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    load_and_read(state, settings_text(count, 16), count);
}
BENCHMARK(BM_LoadSettingsValues)->Arg(40000)->Unit(benchmark::kMillisecond);

// About 50 MB: half a million values of some 100 bytes a line.
void BM_LoadSettingsFile50MB(benchmark::State& state) {
    constexpr std::size_t kCount = 500000;
    const std::string text = settings_text(kCount, 160);
    state.counters["file MB"] = static_cast<double>(text.size()) / 1e6;
    load_and_read(state, text, kCount);
}
BENCHMARK(BM_LoadSettingsFile50MB)->Unit(benchmark::kMillisecond);

// One saved setting in a file of 40 000 values: the file is read again under the lock and rewritten.
void BM_SaveIntoSettingsValues(benchmark::State& state) {
    const auto count = static_cast<std::size_t>(state.range(0));
    const SettingsFile file(settings_text(count, 16));
    CAppSettings store(std::make_shared<FileRegistry>(file.path()), "Tallowin3");
    store.Init("HALVARD", "Corvel");
    std::int32_t n = 0;
    for (auto _ : state)
        store.SaveSetting("Bench", "Setting0000001", ++n);
}
BENCHMARK(BM_SaveIntoSettingsValues)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace corvel

BENCHMARK_MAIN();
