#pragma once

// The main window's dialogs and file picker for the window benchmarks: none is shown.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/ports/file_picker.h"
#include "gui/app/dialog_port.h"
#include "silent_ports.h"

namespace tarvolen::bench {

class NoDialogs : public DialogPort {
  public:
    std::unique_ptr<ProgressPort> OpenProgress() override { return std::make_unique<NoProgress>(); }
    bool RunAddOptions(AddOptions&, AddMode&) override { return false; }
    bool RunDirScan(std::string&, std::string&) override { return false; }
    bool RunSaveOptions(OutputOptions&, std::string&, CodePage) override { return false; }
    bool RunFilter(std::int32_t&, FilterMode&, std::string&) override { return false; }
    void ShowStatistics(const StatisticsFigures&, const std::string&, const VocabularyMeasures&,
                        const std::vector<std::uint32_t>&) override {}
};

class NoPicker : public FilePicker {
  public:
    FilePickResult PickFiles(const FilePickRequest&) override { return {}; }
    std::optional<std::string> PickDirectory(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

}  // namespace tarvolen::bench
