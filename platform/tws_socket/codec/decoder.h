#pragma once

#include <string>
#include <string_view>

#include "platform/tws_socket/codec/messages.h"

// Turns payloads into messages. Pure functions: no I/O and no state; they read only inside the
// payload they are given, whatever its bytes. Decoding a message or the handshake reply allocates
// nothing (its texts are views into the payload); an error's text is made into a string of its own
// only when it is asked for, by decode_error_text.
namespace corvel::tws {

// One frame's payload, as the server of `server_version` lays it out.
Message decode_message(std::string_view payload, int server_version) noexcept;

// The payload of the first frame the server sends.
HandshakeReply decode_handshake_reply(std::string_view payload) noexcept;

// An error message's text as UTF-8: \uXXXX escapes undone for servers that escape, and bytes that
// are not UTF-8 read as Latin-1 (which non-English TWS installations send).
std::string decode_error_text(std::string_view raw, int server_version);

}  // namespace corvel::tws
