#include "core/ports/side_by_side.h"

namespace tarvolen {

namespace {

class InTurn final : public SideBySide {
  public:
    std::size_t Width() const override { return 1; }
    void Run(std::size_t count, const std::function<void(std::size_t)>& task) override {
        for (std::size_t i = 0; i < count; ++i)
            task(i);
    }
};

}  // namespace

SideBySide& OneAtATime() {
    static InTurn inTurn;  // holds nothing: shared by every caller
    return inTurn;
}

}  // namespace tarvolen
