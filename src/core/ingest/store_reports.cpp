#include "core/ingest/store_reports.h"

#include "core/ports/messages.h"

namespace tarvolen {

WordStore::Options ReportingStoreOptions(MessagePort& messages, WordStore::Options options) {
    options.growthRefused = [&messages] {
        messages.ShowMessage(kGrowthFailedText, MessageIcon::Warning);
    };
    return options;
}

}  // namespace tarvolen
