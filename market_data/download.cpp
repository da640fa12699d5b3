#include "market_data/download.h"

namespace corvel {

cDownload::cDownload(const TwsEnvironment& environment)
    : tws_(make_ref<cTWS>(environment)), container_(tws_->copy_cTWSDatas()) {}

cDownload::~cDownload() {
    container_ = nullptr;
    tws_ = nullptr;
}

Ref<cTWSDatas> cDownload::GetTWSData() noexcept {
    try {
        return tws_ ? tws_->GetCurrentData() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

void cDownload::FreeTWSDataBuffer() noexcept {
    try {
        if (container_) container_->Clear();
    } catch (...) {
        // Ignored: the caller only wants the buffer gone.
    }
}

}  // namespace corvel
