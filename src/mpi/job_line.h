#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace tarvolen {

// The one progress line of a whole job, on the first process's standard error: the
// bytes all processes have read, then the step the job is at. Under a launcher the
// processes' standard error is a pipe to it (and standard output a terminal whatever
// the launcher's own is): the launcher's standard error says whether a person is
// watching.
class JobLine {
  public:
    explicit JobLine(bool visible, std::FILE* stream = stderr);
    ~JobLine() { Clear(); }
    JobLine(const JobLine&) = delete;
    JobLine& operator=(const JobLine&) = delete;

    // Whether standard error is a terminal, or the launcher's is.
    static bool Watched();

    // Redraws the line with text; at most every 100 ms unless now.
    void Show(const std::string& text, bool now = false);
    // Blanks the line out.
    void Clear();

    bool visible() const { return visible_; }

  private:
    bool visible_;
    std::FILE* stream_;
    std::size_t drawn_ = 0;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace tarvolen
