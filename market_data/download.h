#pragma once

#include "common/ref.h"
#include "market_data/tws.h"
#include "market_data/tws_datas.h"

namespace corvel {

// Convenience object: one connection object of its own and a handle on that object's result
// collection, so a caller fetches ticks and frees them with two calls.
class cDownload : public RefCounted<cDownload> {
  public:
    explicit cDownload(const TwsEnvironment& environment);
    ~cDownload();

    const Ref<cTWS>& m_cTWS() const noexcept { return tws_; }
    void m_cTWS(Ref<cTWS> value) noexcept { tws_ = std::move(value); }
    // Taken once at construction: replacing `m_cTWS` or its result collection later does not change it.
    const Ref<cTWSDatas>& TWSConteiner() const noexcept { return container_; }
    void TWSConteiner(Ref<cTWSDatas> value) noexcept { container_ = std::move(value); }

    // The connection object's waiting ticks; null on any failure.
    Ref<cTWSDatas> GetTWSData() noexcept;
    // Empties `TWSConteiner`; records already handed out stay readable.
    void FreeTWSDataBuffer() noexcept;

  private:
    Ref<cTWS> tws_;
    Ref<cTWSDatas> container_;
};

// A public, creatable class with no members and no state.
class cTWSUtils : public RefCounted<cTWSUtils> {};

}  // namespace corvel
