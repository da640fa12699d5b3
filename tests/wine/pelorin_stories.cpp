// The registered Pelorin.dll on real windows, as a person meets it from Excel: the test Excel is the
// application, a plain window stands in for Excel's main window, and a driver clicks the dialogs'
// controls while their modal display runs.
// It needs the DLL registered, so run.sh runs it after registering (it is named apart from the
// *_tests programs, which run before).
#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <array>
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
using corvel::win32::testing::text_of;
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

// The control of `dialog` showing this text (a button's or check box's caption), or null.
HWND control_titled(HWND dialog, const std::wstring& text) {
    TitleSearch search{&text, false, nullptr};
    ::EnumChildWindows(dialog, &match_title, reinterpret_cast<LPARAM>(&search));
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

// The contract dialog cancelled: 2, every text empty and both numbers 0.
void cancelled_contract_story(IDispatch* pelorin, HWND excel) {
    std::array<BSTR, 7> texts{};
    for (BSTR& t : texts)
        t = ::SysAllocString(L"old");
    double strike = 5;
    double multiplier = 5;
    std::vector<VARIANT> args;
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
    args = {text_arg(&texts[0]), text_arg(&texts[1]), text_arg(&texts[2]),
            number_arg(&strike), text_arg(&texts[3]), number_arg(&multiplier),
            text_arg(&texts[4]), text_arg(&texts[5]), text_arg(&texts[6])};
    HWND dialog = nullptr;
    WindowDriver driver;
    driver
        .then("the contract dialog is up",
              [&] {
                  dialog = window_titled(L"Add new ticker");
                  if (!dialog) return false;
                  check(::GetWindow(dialog, GW_OWNER) == excel,
                        "the contract dialog belongs to Excel's window");
                  check(!::IsWindowEnabled(excel), "Excel's window is disabled under the contract dialog");
                  return true;
              })
        .then("Cancel", [&] { return click(dialog, L"Cancel"); });
    Result r = invoke(pelorin, L"AddNewSymbol", DISPATCH_METHOD, args);
    check(driver.finished(), "the person got through the cancelled contract");
    check(r.hr == S_OK && V_VT(&r.value.get()) == VT_I2 && V_I2(&r.value.get()) == 2,
          "cancelled: AddNewSymbol is 2");
    bool emptied = strike == 0 && multiplier == 0;
    for (BSTR& t : texts) {
        emptied = emptied && corvel::win32::from_bstr(t).empty();
        const corvel::win32::unique_bstr owner(t);
    }
    check(emptied, "cancelled: every text empty and both numbers 0");
    check(::IsWindowEnabled(excel) != FALSE, "Excel's window is enabled after the contract dialog");
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

TEST_F(PelorinStories, AContractCancelled) {
    cancelled_contract_story(pelorin.get(), excel_window.get());
}

}  // namespace
