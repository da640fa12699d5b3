#pragma once

#include <functional>
#include <string>
#include <vector>

#include "market_data/tws.h"

namespace corvel::fakes {

// Records the events of a connection object and runs whatever the test puts in its handlers.
class RecordingSink final : public TwsEventSink {
  public:
    struct ErrorEvent {
        std::int32_t id;
        std::int32_t code;
        std::string message;
        bool operator==(const ErrorEvent&) const = default;
    };

    int datas = 0;
    int nested_datas = 0;  // raised while a previous IBTWSDatas was still running
    std::vector<double> losses;
    std::vector<ErrorEvent> errors;

    std::function<void()> on_datas;
    std::function<void(double)> on_loss;
    std::function<void(const ErrorEvent&)> on_error;

    void IBTWSDatas() override {
        ++datas;
        if (inside_) ++nested_datas;
        inside_ = true;
        struct Reset {
            bool& flag;
            ~Reset() { flag = false; }
        } reset{inside_};
        if (on_datas) on_datas();
    }
    void IBTWSdataLoss(double MsgDate) override {
        losses.push_back(MsgDate);
        if (on_loss) on_loss(MsgDate);
    }
    void IBTWSErrMsg(std::int32_t id, std::int32_t errorCode, const std::string& errorMsg) override {
        errors.push_back({id, errorCode, errorMsg});
        if (on_error) on_error(errors.back());
    }

  private:
    bool inside_ = false;
};

}  // namespace corvel::fakes
