#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tarvolen {

class ProgressPort;
struct AddOptions;
struct OutputOptions;
struct StatisticsFigures;
struct VocabularyMeasures;
enum class AddMode : std::uint8_t;
enum class CodePage : std::uint8_t;
enum class FilterMode : std::int32_t;

// The modal dialogs and the progress window, as the main window's commands see them.
// The GUI shows real dialogs (QtDialogPort); tests answer from a script, so that no
// test ever waits on a modal loop.
class DialogPort {
  public:
    virtual ~DialogPort() = default;

    // Opens the progress window over the main window (disabling it) and returns it;
    // the window closes when the returned object goes.
    virtual std::unique_ptr<ProgressPort> OpenProgress() = 0;

    // Add Options: edits options on "Add File(s)" or "Directory Scan", tells which in
    // addMode and returns true; Cancel returns false and changes nothing.
    virtual bool RunAddOptions(AddOptions& options, AddMode& addMode) = 0;

    // Directory scan dialog: starting directory and the typed list of file types.
    virtual bool RunDirScan(std::string& startDirectory, std::string& typeText) = 0;

    // Save options for a list of words in listCodePage: edits the options and the
    // output path; true when Save was pressed (and the dialog's own checks passed).
    virtual bool RunSaveOptions(OutputOptions& options, std::string& fileName,
                                CodePage listCodePage) = 0;

    // Filter: the number N and the rule; true on "Filter".
    virtual bool RunFilter(std::int32_t& value, FilterMode& mode, std::string& listPath) = 0;

    // The "Info" window: the statistics report and the charts of its figures, and the
    // measures of the vocabulary with the Zipf plot of the counts, ranked the highest first.
    virtual void ShowStatistics(const StatisticsFigures& figures, const std::string& report,
                                const VocabularyMeasures& measures,
                                const std::vector<std::uint32_t>& ranked) = 0;
};

}  // namespace tarvolen
