#include "platform/tws_socket/codec/framing.h"

#include "platform/tws_socket/codec/field_codec.h"
#include "platform/tws_socket/codec/wire.h"

namespace corvel::tws {

FrameView peek_frame(std::string_view buffer) noexcept {
    FrameView view;
    if (buffer.size() < 4) return view;
    view.length = get_length(buffer.data());
    if (view.length == 0 || view.length > kMaxFrameLength) {
        view.status = FrameStatus::BadLength;
        return view;
    }
    if (buffer.size() - 4 < view.length) return view;
    view.status = FrameStatus::Complete;
    view.payload = buffer.substr(4, view.length);
    view.size = 4 + static_cast<std::size_t>(view.length);
    return view;
}

}  // namespace corvel::tws
