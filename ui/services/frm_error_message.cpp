#include "ui/services/frm_error_message.h"

#include "common/text.h"
#include "corvel/version.h"
#include "ui/services/pelorin.h"
#include "ui/services/shell.h"
#include "ui/services/untrappable.h"

namespace corvel {

namespace {
const std::string kRule(20, '-');

// A text as the body of a "mailto:" address. "%" goes first so that the escapes made here are not
// escaped again, and "#" is escaped because it would end the address there; line breaks, whether
// CR LF pairs or lone characters, never reach the address raw.
std::string mail_body_text(std::string_view text) {
    std::string out = replace_all(text, "%", "%25");
    out = replace_all(out, "\r\n", "%0A");
    out = replace_all(out, "\r", "%0D");
    out = replace_all(out, "\n", "%0A");
    static constexpr std::pair<const char*, const char*> kEscapes[] = {
        {"\t", "%09"}, {":", "%3A"}, {"/", "%2F"}, {"?", "%3F"}, {"=", "%3D"}, {"&", "%26"}, {"#", "%23"},
    };
    for (const auto& [from, to] : kEscapes)
        out = replace_all(out, from, to);
    return out;
}
}  // namespace

frmErrorMessage::frmErrorMessage(const UiEnvironment& environment)
    : Form(*environment.host, "frmErrorMessage"), environment_(environment) {
    Caption("Error");
    BorderStyle(border_style::kSizable);
    txtErrorMessage.MultiLine(true);
    btnAbort.Click = [this] { btnAbort_Click(); };
    btnRetry.Click = [this] { btnRetry_Click(); };
    btnIgnore.Click = [this] { btnIgnore_Click(); };
    btnSend.Click = [this] { btnSend_Click(); };
}

void frmErrorMessage::ErrorMessage(std::string_view value) {
    ignoring_failures([&] {
        std::string text(value);
        text.append("\r\nVersion: ").append(std::to_string(kVersionMajor)).append(".");
        text.append(std::to_string(kVersionMinor)).append(".").append(std::to_string(kVersionRevision));
        txtErrorMessage.Text(text);
    });
}

void frmErrorMessage::Form_Activate() {
    ignoring_failures(
        [&] { elaTitleCaption.Caption(std::string("An error occurred in ") + pelorin::kLibraryName); });
    ignoring_failures([&] { btnSend.Enabled(!support_mail_.empty()); });
    ignoring_failures([&] { host().beep(); });
    ignoring_failures([&] { host().bring_to_front(*this); });
    ignoring_failures([&] { Tag("ABORT"); });
}

void frmErrorMessage::answer(const char* text) {
    ignoring_failures([&] {
        Tag(text);
        Hide();
    });
}

void frmErrorMessage::btnAbort_Click() {
    answer("ABORT");
}
void frmErrorMessage::btnRetry_Click() {
    answer("RETRY");
}
void frmErrorMessage::btnIgnore_Click() {
    answer("IGNORE");
}

std::string frmErrorMessage::support_mail_address(std::string_view address, std::string_view subject,
                                                  std::string_view report) {
    std::string body = "%0A%0A" + kRule + "%0A" + mail_body_text(report) + "%0A" + kRule;
    std::string url = "mailto:";
    url.append(address).append("?subject=").append(replace_all(subject, " ", "%20"));
    url.append("&body=").append(body);
    return url;
}

void frmErrorMessage::btnSend_Click() {
    ignoring_failures([&] {
        const std::string url =
            support_mail_address(support_mail_, elaTitleCaption.Caption(), txtErrorMessage.Text());
        CShell shell(environment_.shell, environment_.registry);
        shell.OpenUrl(url);
    });
}

}  // namespace corvel
