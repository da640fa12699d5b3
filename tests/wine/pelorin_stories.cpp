// The registered Pelorin.dll on real windows, as a person meets it from Excel: the test Excel is the
// application, a plain window stands in for Excel's main window, and a driver clicks the dialogs'
// controls while their modal display runs.
// It needs the DLL registered, so run.sh runs it after registering (it is named apart from the
// *_tests programs, which run before).
#include <windows.h>

#include <commctrl.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/memory/memory_application.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "tests/support/quotes_workbook_builder.h"
#include "tests/win32/forms_host/window_driver.h"
#include "tests/wine/test_excel/test_excel.h"

namespace {

using corvel::win32::com_ptr;
using corvel::win32::unique_bstr;
using corvel::win32::unique_excepinfo;
using corvel::win32::unique_hwnd;
using corvel::win32::unique_variant;
using corvel::win32::testing::control_titled;
using corvel::win32::testing::field_labelled;
using corvel::win32::testing::text_of;
using corvel::win32::testing::visible_child;
using corvel::win32::testing::WindowDriver;
void check(bool ok, const std::string& what) {
    EXPECT_TRUE(ok) << what;
}

struct TitleSearch {
    const std::wstring* text;
    bool top_level;
    HWND found;
};

BOOL CALLBACK match_title(HWND w, LPARAM p) {
    auto* s = reinterpret_cast<TitleSearch*>(p);
    if ((s->top_level && !::IsWindowVisible(w)) || text_of(w) != *s->text) return TRUE;
    s->found = w;
    return FALSE;
}

// The visible top-level window of this thread with this title, or null.
HWND window_titled(const std::wstring& title) {
    TitleSearch search{&title, true, nullptr};
    ::EnumThreadWindows(::GetCurrentThreadId(), &match_title, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool click(HWND dialog, const std::wstring& caption) {
    HWND control = control_titled(dialog, caption);
    check(control != nullptr, "a control \"" + corvel::win32::narrow(caption) + "\"");
    if (control) ::SendMessageW(control, BM_CLICK, 0, 0);
    return control != nullptr;
}

struct Result {
    HRESULT hr = E_FAIL;
    unique_variant value;
    unique_excepinfo error;
};

Result invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args) {
    std::wstring text = name;
    LPOLESTR names[] = {text.data()};
    DISPID id = DISPID_UNKNOWN;
    object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    DISPID put = DISPID_PROPERTYPUT;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    Result r;
    r.hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, r.value.put(), r.error.put(),
                          nullptr);
    return r;
}

using Flags = std::array<short, 10>;

// CreateNewProject with the ten flags by reference while `driver` plays the person.
Result create_new_project(IDispatch* pelorin, Flags& flags) {
    std::vector<VARIANT> args;
    for (short& f : flags) {
        VARIANT v{};
        V_VT(&v) = VT_I2 | VT_BYREF;
        V_I2REF(&v) = &f;
        args.push_back(v);
    }
    return invoke(pelorin, L"CreateNewProject", DISPATCH_METHOD, args);
}

const std::wstring kNewProject = L"Choose market data fields for project ";

// The new-project dialog is up over a disabled Excel window that owns it.
WindowDriver::Step dialog_is_up(HWND excel, HWND& dialog) {
    return [excel, &dialog] {
        dialog = window_titled(kNewProject);
        if (!dialog) return false;
        check(::GetWindow(dialog, GW_OWNER) == excel, "the dialog belongs to Excel's window");
        check(!::IsWindowEnabled(excel), "Excel's window is disabled while the dialog is open");
        return true;
    };
}

void new_project_stories(IDispatch* pelorin, HWND excel) {
    const Flags untouched{7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    HWND dialog = nullptr;
    {
        Flags flags = untouched;
        WindowDriver driver;
        driver.then("the new-project dialog is up", dialog_is_up(excel, dialog))
            .then("Uncheck all, then Volume, then Create project", [&] {
                return click(dialog, L"Uncheck all") && click(dialog, L"Volume") &&
                       click(dialog, L"Create project");
            });
        Result r = create_new_project(pelorin, flags);
        check(driver.finished(), "the person got through the confirmed story");
        check(r.hr == S_OK && V_VT(&r.value.get()) == VT_BOOL && V_BOOL(&r.value.get()) == VARIANT_TRUE,
              "confirmed: CreateNewProject is True");
        check(flags == Flags{0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
              "confirmed with Volume only: Volume 1, the others 0");
        check(::IsWindowEnabled(excel) != FALSE, "Excel's window is enabled again");
        check(window_titled(kNewProject) == nullptr, "the dialog is gone");
    }
    {
        Flags flags = untouched;
        WindowDriver driver;
        driver.then("the new-project dialog is up", dialog_is_up(excel, dialog))
            .then("Uncheck all, then Cancel",
                  [&] { return click(dialog, L"Uncheck all") && click(dialog, L"Cancel"); });
        Result r = create_new_project(pelorin, flags);
        check(driver.finished(), "the person got through the cancelled story");
        check(r.hr == S_OK && V_BOOL(&r.value.get()) == VARIANT_FALSE,
              "cancelled: CreateNewProject is False");
        check(flags == untouched, "cancelled: the ten arguments as passed");
        check(::IsWindowEnabled(excel) != FALSE, "Excel's window is enabled after Cancel");
    }
    {
        Flags flags = untouched;
        WindowDriver driver;
        driver.then("the new-project dialog is up", dialog_is_up(excel, dialog)).then("its close box", [&] {
            ::PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        });
        Result r = create_new_project(pelorin, flags);
        check(driver.finished(), "the person got through the closed story");
        check(r.hr == S_OK && V_BOOL(&r.value.get()) == VARIANT_FALSE, "closed: CreateNewProject is False");
        check(flags == untouched, "closed: the ten arguments as passed");
        check(::IsWindowEnabled(excel) != FALSE, "Excel's window is enabled after the close box");
    }
}

// AddNewSymbol's arguments by reference, filled with values the call must replace.
struct ContractArgs {
    std::array<unique_bstr, 7>
        texts;  // Symbol, TypeSymbol, Expiry, RightPC, Exchange, PrimaryExchange, TypeCurrency
    double strike = 5;
    double multiplier = 5;
    short type_index = 0;

    ContractArgs() {
        for (unique_bstr& t : texts)
            t.reset(::SysAllocString(L"old"));
    }
    std::string text(std::size_t i) const { return corvel::win32::from_bstr(texts[i].get()); }

    // The call, with the type index passed when `with_type` says so.
    Result call(IDispatch* pelorin, bool with_type) {
        std::array<BSTR, 7> raw{};
        for (std::size_t i = 0; i < raw.size(); ++i)
            raw[i] = texts[i].release();
        const auto text_arg = [](BSTR* t) {
            VARIANT v{};
            V_VT(&v) = VT_BSTR | VT_BYREF;
            V_BSTRREF(&v) = t;
            return v;
        };
        const auto number_arg = [](double* d) {
            VARIANT v{};
            V_VT(&v) = VT_R8 | VT_BYREF;
            V_R8REF(&v) = d;
            return v;
        };
        std::vector<VARIANT> args = {text_arg(&raw[0]),   text_arg(&raw[1]), text_arg(&raw[2]),
                                     number_arg(&strike), text_arg(&raw[3]), number_arg(&multiplier),
                                     text_arg(&raw[4]),   text_arg(&raw[5]), text_arg(&raw[6])};
        if (with_type) {
            VARIANT v{};
            V_VT(&v) = VT_I2 | VT_BYREF;
            V_I2REF(&v) = &type_index;
            args.push_back(v);
        }
        Result r = invoke(pelorin, L"AddNewSymbol", DISPATCH_METHOD, args);
        for (std::size_t i = 0; i < raw.size(); ++i)
            texts[i].reset(raw[i]);
        return r;
    }
};

const std::wstring kContractDialog = L"Add new ticker";

// The contract dialog is up, in front and usable, over a disabled Excel window that owns it.
WindowDriver::Step contract_dialog_is_up(HWND excel, HWND& dialog) {
    return [excel, &dialog] {
        dialog = window_titled(kContractDialog);
        if (!dialog || ::GetForegroundWindow() != dialog || !::IsWindowEnabled(dialog)) return false;
        check(::GetWindow(dialog, GW_OWNER) == excel, "the contract dialog belongs to Excel's window");
        check(!::IsWindowEnabled(excel), "Excel's window is disabled under the contract dialog");
        return true;
    };
}

// The next visible "..." button after `control` in the tab order: the editor of its list.
HWND editor_button_after(HWND control) {
    for (HWND w = ::GetWindow(control, GW_HWNDNEXT); w != nullptr; w = ::GetWindow(w, GW_HWNDNEXT)) {
        if (::IsWindowVisible(w) && text_of(w) == L"...") return w;
    }
    return nullptr;
}

// The person clicks a control with the mouse (true once the button went down and up on it).
WindowDriver::Step click_on(std::function<HWND()> find) {
    return [find] {
        HWND w = find();
        return w != nullptr && ::IsWindowEnabled(w) && corvel::win32::testing::click_centre(w);
    };
}

// The person clicks into a text box and types.
void type_into(WindowDriver& driver, const std::string& what, std::function<HWND()> find, std::wstring text) {
    driver.then("click into " + what, click_on(find)).then("type into " + what, [find, text] {
        HWND w = find();
        if (w == nullptr || ::GetFocus() != w) return false;
        // What the box held goes: the person selects it all and types over it.
        ::SendMessageW(w, EM_SETSEL, 0, -1);
        corvel::win32::testing::type_text(text);
        return true;
    });
}

std::wstring stored_setting(const wchar_t* key, const wchar_t* name) {
    wchar_t value[512] = {};
    DWORD size = sizeof(value);
    if (::RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return L"<none>";
    }
    return value;
}

const wchar_t* const kContractSettings = L"Software\\HALVARD\\Corvel\\Settings\\frmSettings";
const wchar_t* const kContractPlacement = L"Software\\HALVARD\\Corvel\\Windows settings\\frmAddTicker";

// The contract dialog cancelled: 2, every text empty and both numbers 0.
void cancelled_contract_story(IDispatch* pelorin, HWND excel) {
    ContractArgs contract;
    HWND dialog = nullptr;
    WindowDriver driver;
    driver.then("the contract dialog is up", contract_dialog_is_up(excel, dialog))
        .then("Cancel", click_on([&] { return control_titled(dialog, L"Cancel"); }));
    Result r = contract.call(pelorin, false);
    check(driver.finished(), "the person got through the cancelled contract");
    check(r.hr == S_OK && V_VT(&r.value.get()) == VT_I2 && V_I2(&r.value.get()) == 2,
          "cancelled: AddNewSymbol is 2");
    bool emptied = contract.strike == 0 && contract.multiplier == 0;
    for (std::size_t i = 0; i < contract.texts.size(); ++i)
        emptied = emptied && contract.text(i).empty();
    check(emptied, "cancelled: every text empty and both numbers 0");
    check(::IsWindowEnabled(excel) != FALSE, "Excel's window is enabled after the contract dialog");
}

// A contract of every type, typed and inserted with the mouse and the keyboard; on the way, the
// futures' exchange list is edited in the list editor, stored, and shown again the next time, and
// the dialog opens where the person last moved it.
void contract_stories(IDispatch* pelorin, HWND excel) {
    struct Type {
        short index;
        const char* code;
        const wchar_t* ticker;
    };
    const Type types[] = {{0, "STK", L"IBM"}, {1, "OPT", L"MSFT"}, {2, "FUT", L"ES"},
                          {3, "IND", L"SPX"}, {4, "FOP", L"OZN"},  {5, "CASH", L"EUR"}};
    for (const Type& type : types) {
        SCOPED_TRACE(type.code);
        ContractArgs contract;
        contract.type_index = type.index;
        HWND dialog = nullptr;
        HWND editor = nullptr;
        const auto ticker = [&] { return field_labelled(dialog, L"Ticker"); };
        WindowDriver driver;
        driver.then("the contract dialog is up", contract_dialog_is_up(excel, dialog));
        type_into(driver, "the ticker", ticker, type.ticker);
        if (type.index == 2) {
            driver
                .then("\"...\" beside the exchanges", click_on([&] {
                          HWND list = field_labelled(dialog, L"Exchange");
                          return list != nullptr ? editor_button_after(list) : nullptr;
                      }))
                .then("the list editor is up over the contract dialog", [&] {
                    editor = window_titled(L"Edit exchanges list for Futures");
                    if (!editor || ::GetForegroundWindow() != editor) return false;
                    check(::GetWindow(editor, GW_OWNER) == dialog,
                          "the editor belongs to the contract dialog");
                    check(!::IsWindowEnabled(dialog), "the contract dialog is disabled under the editor");
                    return true;
                });
            type_into(
                driver, "the editor's text", [&] { return visible_child(editor, L"Edit"); }, L"EUREX");
            driver.then("Add", click_on([&] { return control_titled(editor, L"Add"); }))
                .then("Save", click_on([&] { return control_titled(editor, L"Save"); }))
                .then("back on the contract dialog, its exchanges with EUREX", [&] {
                    if (window_titled(L"Edit exchanges list for Futures") != nullptr ||
                        ::GetForegroundWindow() != dialog) {
                        return false;
                    }
                    HWND list = field_labelled(dialog, L"Exchange");
                    check(list != nullptr && ::SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                            reinterpret_cast<LPARAM>(L"EUREX")) != CB_ERR,
                          "EUREX is in the exchange list");
                    // The person moves the dialog aside.
                    ::SetWindowPos(dialog, nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
                    return true;
                });
        }
        driver.then("Insert >>", click_on([&] { return control_titled(dialog, L"Insert >>"); }));
        Result r = contract.call(pelorin, true);
        check(driver.finished(), "the person got through the contract: " + driver.failed_step());
        check(r.hr == S_OK && V_VT(&r.value.get()) == VT_I2 && V_I2(&r.value.get()) == 1,
              "inserted: AddNewSymbol is 1");
        EXPECT_EQ(contract.text(1), type.code);
        EXPECT_EQ(contract.text(0), corvel::win32::narrow(type.ticker)) << "the ticker as typed";
        EXPECT_EQ(contract.type_index, type.index);
        check(window_titled(kContractDialog) == nullptr, "the contract dialog is gone");
        check(::IsWindowEnabled(excel) != FALSE, "Excel's window is enabled after the contract dialog");
    }
    EXPECT_NE(stored_setting(kContractSettings, L"ComFUTExchange").find(L"EUREX"), std::wstring::npos)
        << "the edited list is stored";
    EXPECT_EQ(stored_setting(kContractSettings, L"ComFUTExchangeText"), L"LIFFE");

    // Next time: the futures page lists EUREX, and the dialog is where the person left it.
    ContractArgs contract;
    contract.type_index = 2;
    HWND dialog = nullptr;
    WindowDriver driver;
    driver.then("the contract dialog is up again", contract_dialog_is_up(excel, dialog))
        .then("it is where it was moved to, EUREX listed",
              [&] {
                  RECT at{};
                  ::GetWindowRect(dialog, &at);
                  EXPECT_EQ(at.left, 37);
                  EXPECT_EQ(at.top, 41);
                  HWND list = field_labelled(dialog, L"Exchange");
                  check(list != nullptr && ::SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                          reinterpret_cast<LPARAM>(L"EUREX")) != CB_ERR,
                        "the stored list is shown again");
                  return true;
              })
        .then("Cancel", click_on([&] { return control_titled(dialog, L"Cancel"); }));
    Result r = contract.call(pelorin, true);
    check(driver.finished(), "the person got through the second look: " + driver.failed_step());
    EXPECT_EQ(V_I2(&r.value.get()), 2);
    EXPECT_NE(stored_setting(kContractPlacement, L"NormalPosLeft"), L"<none>") << "the placement is stored";
}

// Excel's stand-in: the test Excel over an in-memory workbook, its window a plain one, and a fresh
// cPelorin holding it.
class PelorinStories : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ::CoInitialize(nullptr); }

    void SetUp() override {
        settings.hwnd = reinterpret_cast<std::intptr_t>(excel_window.get());
        excel = corvel::test_excel::make_application(memory, log, settings);
        CLSID clsid{};
        if (SUCCEEDED(::CLSIDFromProgID(L"Pelorin.cPelorin", &clsid))) {
            ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, pelorin.put_void());
        }
        ASSERT_TRUE(pelorin) << "CreateObject(\"Pelorin.cPelorin\")";
        VARIANT app{};
        V_VT(&app) = VT_DISPATCH;
        V_DISPATCH(&app) = excel.get();
        ASSERT_EQ(invoke(pelorin.get(), L"ExcelApplication", DISPATCH_PROPERTYPUTREF, {app}).hr, S_OK);
    }

    unique_hwnd excel_window{::CreateWindowExW(0, L"STATIC", L"Microsoft Excel",
                                               WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 700, 500, nullptr,
                                               nullptr, nullptr, nullptr)};
    std::shared_ptr<corvel::workbook::MemoryApplication> memory =
        std::make_shared<corvel::workbook::MemoryApplication>();
    std::shared_ptr<corvel::test_excel::CallLog> log = std::make_shared<corvel::test_excel::CallLog>();
    corvel::test_excel::Settings settings;
    com_ptr<IDispatch> excel;
    com_ptr<IDispatch> pelorin;
};

TEST_F(PelorinStories, ANewProjectConfirmedCancelledAndClosed) {
    new_project_stories(pelorin.get(), excel_window.get());
}

// The tape story: the dialog lists the quotes worksheet's contracts, "..." steps aside for the location,
// RefEditInputs gives it, the same dialog comes back, "Insert & new" writes the tape into the workbook,
// "Cancel" closes.
TEST_F(PelorinStories, ATapeIsPickedInsertedAndWrittenIntoTheWorkbook) {
    memory = corvel::workbook::QuotesWorkbookBuilder()
                 .stock("MSFT")
                 .stock("IBM")
                 .sheet("Sheet2")
                 .active_sheet("Sheet2")
                 .tape({"IBM(high)", "=TWS_Quotes!$P$6", "", "Sheet2!J3:K22"})
                 .build();
    excel = corvel::test_excel::make_application(memory, log, settings);
    VARIANT app{};
    V_VT(&app) = VT_DISPATCH;
    V_DISPATCH(&app) = excel.get();
    ASSERT_EQ(invoke(pelorin.get(), L"ExcelApplication", DISPATCH_PROPERTYPUTREF, {app}).hr, S_OK);
    const std::wstring title = L"Add new tape for ticker";
    HWND dialog = nullptr;
    HWND first = nullptr;
    {
        WindowDriver driver;
        driver
            .then("the tape dialog is up",
                  [&] {
                      dialog = first = window_titled(title);
                      if (!dialog) return false;
                      check(::GetWindow(dialog, GW_OWNER) == excel_window.get(),
                            "the tape dialog belongs to Excel");
                      check(!::IsWindowEnabled(excel_window.get()), "Excel's window is disabled under it");
                      return true;
                  })
            .then("...", [&] { return click(dialog, L"..."); });
        Result r = invoke(pelorin.get(), L"ShowRefEditInterface", DISPATCH_METHOD, {});
        check(driver.finished(), "the person got to \"...\"");
        ASSERT_EQ(r.hr, S_OK);
        EXPECT_EQ(corvel::win32::from_bstr(V_BSTR(&r.value.get())), "DATABEGINNING");
        EXPECT_NE(::IsWindowEnabled(excel_window.get()), FALSE) << "Excel is usable to pick the location";
    }
    VARIANT location{};
    V_VT(&location) = VT_BSTR;
    unique_bstr text(::SysAllocString(L"Sheet2!$B$3"));
    V_BSTR(&location) = text.get();
    ASSERT_EQ(invoke(pelorin.get(), L"RefEditInputs", DISPATCH_PROPERTYPUT, {location}).hr, S_OK);
    {
        WindowDriver driver;
        driver
            .then("the same tape dialog is back",
                  [&] {
                      dialog = window_titled(title);
                      if (!dialog) return false;
                      check(dialog == first, "the same dialog window as before");
                      return true;
                  })
            .then("Insert & new", [&] { return click(dialog, L"Insert && new"); })
            .then("Cancel", [&] { return click(dialog, L"Cancel"); });
        Result r = invoke(pelorin.get(), L"ShowRefEditInterface", DISPATCH_METHOD, {});
        check(driver.finished(), "the person inserted the tape and closed");
        ASSERT_EQ(r.hr, S_OK);
        EXPECT_EQ(corvel::win32::from_bstr(V_BSTR(&r.value.get())), "CLOSE");
    }
    auto settings_sheet = memory->active_workbook()->sheet("Ticker_tape_settings");
    ASSERT_TRUE(settings_sheet);
    EXPECT_EQ(settings_sheet->Range("A5")->FormulaLocal(), "MSFT") << "the new tape row below the one there";
    EXPECT_EQ(settings_sheet->Range("B5")->FormulaLocal(), "=TWS_Quotes!$J$5")
        << "linked to MSFT's last price";
    EXPECT_EQ(settings_sheet->Range("D5")->FormulaLocal().rfind("Sheet2!B3:", 0), 0u);
    EXPECT_EQ(memory->active_workbook()->sheet("Sheet2")->Range("B3")->FormulaLocal(), "Local Time");
    EXPECT_EQ(invoke(pelorin.get(), L"UnloadfrmMaster", DISPATCH_METHOD, {}).hr, S_OK);
    EXPECT_EQ(window_titled(title), nullptr) << "the tape dialog is gone after UnloadfrmMaster";
    EXPECT_NE(::IsWindowEnabled(excel_window.get()), FALSE);
}

// A failing Excel call while the tape dialog loads its symbols (the name of the symbol table points at
// a sheet that is not there): the error dialog over a disabled Excel, answered Abort, then Retry
// once the workbook is mended, then Ignore until the load has gone through.
TEST_F(PelorinStories, AFailingExcelCallAnsweredAbortRetryAndIgnore) {
    memory = corvel::workbook::QuotesWorkbookBuilder().stock("MSFT").stock("IBM").sheet("Sheet2").build();
    excel = corvel::test_excel::make_application(memory, log, settings);
    VARIANT app{};
    V_VT(&app) = VT_DISPATCH;
    V_DISPATCH(&app) = excel.get();
    ASSERT_EQ(invoke(pelorin.get(), L"ExcelApplication", DISPATCH_PROPERTYPUTREF, {app}).hr, S_OK);
    auto book = memory->active_workbook();
    const std::string symbols = book->refers_to("TWS_Symbol").value_or("");
    const std::wstring tape_title = L"Add new tape for ticker";

    // The error dialog in front, Excel disabled; its report names Excel's failure.
    const auto error_dialog_up = [this](HWND& shown) {
        return [this, error = &shown] {
            *error = window_titled(L"Error");
            if (!*error || ::GetForegroundWindow() != *error) return false;
            check(!::IsWindowEnabled(excel_window.get()),
                  "Excel's window is disabled under the error dialog");
            HWND report = visible_child(*error, L"Edit");
            check(report != nullptr && text_of(report).find(L"LoadTable") != std::wstring::npos,
                  "the report names the step that failed");
            return true;
        };
    };
    // The tape dialog is up with `rows` symbols listed; the person closes it.
    const auto tape_dialog_with = [&](WindowDriver& driver, int rows) {
        auto owner = std::make_shared<HWND>(nullptr);
        driver
            .then("the tape dialog is up",
                  [&tape_title, owner, rows] {
                      *owner = window_titled(tape_title);
                      if (!*owner || ::GetForegroundWindow() != *owner) return false;
                      HWND list = visible_child(*owner, L"SysListView32");
                      check(list != nullptr && ListView_GetItemCount(list) == rows,
                            "the symbols listed: " + std::to_string(rows));
                      return true;
                  })
            .then("Cancel", click_on([owner] { return control_titled(*owner, L"Cancel"); }));
    };
    const auto show = [&] {
        Result r = invoke(pelorin.get(), L"ShowRefEditInterface", DISPATCH_METHOD, {});
        EXPECT_EQ(r.hr, S_OK);
        EXPECT_EQ(corvel::win32::from_bstr(V_BSTR(&r.value.get())), "CLOSE");
        EXPECT_EQ(invoke(pelorin.get(), L"UnloadfrmMaster", DISPATCH_METHOD, {}).hr, S_OK);
        EXPECT_NE(::IsWindowEnabled(excel_window.get()), FALSE) << "Excel's window is enabled again";
    };

    HWND error = nullptr;
    {
        SCOPED_TRACE("Abort");
        book->add_name("TWS_Symbol", "=Nowhere!$A$4");
        WindowDriver driver;
        driver.then("the error dialog", error_dialog_up(error)).then("Abort", click_on([&] {
                                                                         return control_titled(error,
                                                                                               L"Abort");
                                                                     }));
        tape_dialog_with(driver, 0);
        show();
        EXPECT_TRUE(driver.finished()) << driver.failed_step();
    }
    {
        SCOPED_TRACE("Retry");
        WindowDriver driver;
        driver.then("the error dialog", error_dialog_up(error))
            .then("the person mends the workbook, then Retry", click_on([&] {
                      book->add_name("TWS_Symbol", symbols);
                      return control_titled(error, L"Retry");
                  }));
        tape_dialog_with(driver, 2);
        show();
        EXPECT_TRUE(driver.finished()) << driver.failed_step();
    }
    {
        SCOPED_TRACE("Ignore");
        book->add_name("TWS_Symbol", "=Nowhere!$A$4");
        int ignored = 0;
        WindowDriver driver;
        driver.then("Ignore, to every report until the tape dialog is up", [&] {
            HWND shown = window_titled(L"Error");
            if (shown != nullptr && ::GetForegroundWindow() == shown) {
                if (corvel::win32::testing::click_centre(control_titled(shown, L"Ignore"))) ++ignored;
                return false;
            }
            HWND tape = window_titled(tape_title);
            return tape != nullptr && ::GetForegroundWindow() == tape;
        });
        tape_dialog_with(driver, 0);
        show();
        EXPECT_TRUE(driver.finished()) << driver.failed_step();
        EXPECT_GE(ignored, 2) << "the failed read, and each later step that needed what it read";
    }
}

TEST_F(PelorinStories, AContractCancelled) {
    cancelled_contract_story(pelorin.get(), excel_window.get());
}

TEST_F(PelorinStories, AContractOfEveryTypeWithAnEditedListStoredAndShownAgain) {
    contract_stories(pelorin.get(), excel_window.get());
}

}  // namespace
