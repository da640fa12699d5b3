// cPelorin as a COM caller meets it: every call goes through IDispatch as Excel's late-bound calls do,
// with by-reference arguments typed as VBA passes them, and a scripted person answers the dialogs.
#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "libraries/Pelorin/pelorin_object.h"
#include "platform/com/module.h"
#include "platform/com/object.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "tests/support/ui_fakes.h"

namespace corvel {
namespace {

using win32::com_ptr;
using win32::unique_bstr;
using win32::unique_excepinfo;
using win32::unique_variant;

// The window the last dialog was given as its owner.
HWND g_owner = nullptr;
int g_owned = 0;
void record_owner(forms::Host&, HWND owner) {
    g_owner = owner;
    ++g_owned;
}

// A stand-in for Excel's application that knows one member, `Hwnd`, or none at all.
class FakeExcel final : public com::Implements<FakeExcel, IDispatch> {
  public:
    explicit FakeExcel(std::optional<LONG> hwnd) : hwnd_(hwnd) {}
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID,
                                            DISPID* ids) noexcept override {
        if (count != 1 || !hwnd_ || _wcsicmp(names[0], L"Hwnd") != 0) return DISP_E_UNKNOWNNAME;
        ids[0] = 0x185;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) noexcept override {
        ++calls;
        if (id != 0x185 || !(flags & DISPATCH_PROPERTYGET) || !result) return DISP_E_MEMBERNOTFOUND;
        V_VT(result) = VT_I4;
        V_I4(result) = *hwnd_;
        return S_OK;
    }
    int calls = 0;

  private:
    std::optional<LONG> hwnd_;
};

// An argument list in the caller's order; IDispatch wants it reversed.
struct Call {
    HRESULT hr = S_OK;
    unique_variant result;
    unique_excepinfo error;
};

class PelorinObjectTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ::CoInitialize(nullptr);
        // The type library the dispatch answers come from is this program's resource.
        com::set_module(::GetModuleHandleW(nullptr));
        com::set_library_name("Pelorin");
    }

    void SetUp() override {
        g_owner = nullptr;
        g_owned = 0;
    }

    com_ptr<IDispatch> make_pelorin() {
        if (!shared) {
            shared = std::make_shared<pelorin::SharedEnvironment>();
            shared->environment = fakes.environment();
            shared->own_dialogs = record_owner;
        }
        auto object = com::make_object<pelorin::PelorinObject>(shared);
        objects.push_back(object.get());
        return com_ptr<IDispatch>(static_cast<_cPelorin*>(object.get()));
    }

    static DISPID id_of(IDispatch* object, const wchar_t* name) {
        std::wstring text = name;
        LPOLESTR names[] = {text.data()};
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK) << "name";
        return id;
    }

    static Call invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args) {
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        DISPID put = DISPID_PROPERTYPUT;
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            params.rgdispidNamedArgs = &put;
            params.cNamedArgs = 1;
        }
        Call call;
        UINT bad_argument = 0;
        call.hr = object->Invoke(id_of(object, name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                 call.result.put(), call.error.put(), &bad_argument);
        return call;
    }

    static VARIANT by_ref(short* value) {
        VARIANT v{};
        V_VT(&v) = VT_I2 | VT_BYREF;
        V_I2REF(&v) = value;
        return v;
    }
    static VARIANT by_ref(BSTR* value) {
        VARIANT v{};
        V_VT(&v) = VT_BSTR | VT_BYREF;
        V_BSTRREF(&v) = value;
        return v;
    }
    static VARIANT by_ref(double* value) {
        VARIANT v{};
        V_VT(&v) = VT_R8 | VT_BYREF;
        V_R8REF(&v) = value;
        return v;
    }
    static VARIANT by_ref(VARIANT* value) {
        VARIANT v{};
        V_VT(&v) = VT_VARIANT | VT_BYREF;
        V_VARIANTREF(&v) = value;
        return v;
    }
    static VARIANT object_value(IDispatch* object) {
        VARIANT v{};
        V_VT(&v) = VT_DISPATCH;
        V_DISPATCH(&v) = object;
        return v;
    }
    static VARIANT number(LONG n) {
        VARIANT v{};
        V_VT(&v) = VT_I4;
        V_I4(&v) = n;
        return v;
    }

    // The ten flags of CreateNewProject in its argument order, AskPrice to Volume.
    using Flags = std::array<short, 10>;
    Call create_new_project(IDispatch* object, Flags& flags) {
        std::vector<VARIANT> args;
        for (short& f : flags)
            args.push_back(by_ref(&f));
        Call call = invoke(object, L"CreateNewProject", DISPATCH_METHOD, args);
        fakes.host->verify();
        return call;
    }

    static void expect_error(const Call& call, HRESULT number, const std::string& source,
                             const std::string& description) {
        ASSERT_EQ(call.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(call.error.get().scode, number);
        EXPECT_EQ(win32::from_bstr(call.error.get().bstrSource), source);
        EXPECT_EQ(win32::from_bstr(call.error.get().bstrDescription), description);
    }

    fakes::UiFakes fakes;
    std::shared_ptr<pelorin::SharedEnvironment> shared;
    std::vector<pelorin::PelorinObject*> objects;
};

TEST_F(PelorinObjectTest, TheTenFlagsComeBackByReferenceOnlyWhenTheUserConfirms) {
    com_ptr<IDispatch> p = make_pelorin();
    Flags flags{7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    fakes.host->click("ButCancel").expect_hidden("frmNewProject");
    Call cancelled = create_new_project(p.get(), flags);
    ASSERT_EQ(cancelled.hr, S_OK);
    EXPECT_EQ(V_VT(&cancelled.result.get()), VT_BOOL);
    EXPECT_EQ(V_BOOL(&cancelled.result.get()), VARIANT_FALSE);
    EXPECT_EQ(flags, (Flags{7, 7, 7, 7, 7, 7, 7, 7, 7, 7}));

    fakes.host->click("ButUncheckAll").click("chkVolume").click("ButCreateProject");
    Call confirmed = create_new_project(p.get(), flags);
    ASSERT_EQ(confirmed.hr, S_OK);
    EXPECT_EQ(V_BOOL(&confirmed.result.get()), VARIANT_TRUE);
    EXPECT_EQ(flags, (Flags{0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
}

TEST_F(PelorinObjectTest, AFailureReachingADialogMemberIsItsComponentFailureAndChangesNoArgument) {
    com_ptr<IDispatch> p = make_pelorin();
    CErrorHandler& handler = objects.back()->logic().error_handler();
    handler.TracingEnabled(true);
    handler.ErrorHandlerActions(CErrorHandler::kActionErrorLog);
    fakes.files->unwritable = {"Tracing Log.txt", "Error Log.txt"};
    fakes.host->click("ButCheckAll");
    Flags flags{7, 7, 7, 7, 7, 7, 7, 7, 7, 7};
    Call failed = create_new_project(p.get(), flags);
    expect_error(failed, static_cast<HRESULT>(0x80040064), "Pelorin.cPelorin.CreateNewProject",
                 "cPelorin component failure");
    EXPECT_EQ(flags, (Flags{7, 7, 7, 7, 7, 7, 7, 7, 7, 7}));

    // A caller through the interface's table finds the same error in the thread's error object.
    com_ptr<_cPelorin> early = p.as<_cPelorin>();
    fakes.host->click("ButCheckAll");
    short s = 7;
    VARIANT_BOOL confirmed = 3;
    EXPECT_EQ(early->CreateNewProject(&s, &s, &s, &s, &s, &s, &s, &s, &s, &s, &confirmed),
              static_cast<HRESULT>(0x80040064));
    fakes.host->verify();
    com_ptr<IErrorInfo> info;
    ASSERT_EQ(::GetErrorInfo(0, info.put()), S_OK);
    unique_bstr source;
    info->GetSource(source.put());
    EXPECT_EQ(win32::from_bstr(source.get()), "Pelorin.cPelorin.CreateNewProject");
    EXPECT_EQ(s, 7);
}

TEST_F(PelorinObjectTest, AContractComesBackThroughTheByReferenceArgumentsWithTheIndexLeftOut) {
    com_ptr<IDispatch> p = make_pelorin();
    std::array<unique_bstr, 7> texts;
    for (auto& t : texts)
        t.reset(::SysAllocString(L"old"));
    std::array<BSTR, 7> raw{};
    for (std::size_t i = 0; i < texts.size(); ++i)
        raw[i] = texts[i].release();
    double strike = 9;
    double multiplier = 9;
    // Symbol, TypeSymbol, Expiry, Strike, RightPC, Multiplier, Exchange, PrimaryExchange, TypeCurrency.
    std::vector<VARIANT> args = {by_ref(&raw[0]), by_ref(&raw[1]), by_ref(&raw[2]),
                                 by_ref(&strike), by_ref(&raw[3]), by_ref(&multiplier),
                                 by_ref(&raw[4]), by_ref(&raw[5]), by_ref(&raw[6])};
    fakes.host->type("txtSTKSymbol", "IBM").type("txtPrimaryExchange", "NYSE").click("ButInsert");
    Call call = invoke(p.get(), L"AddNewSymbol", DISPATCH_METHOD, args);
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i].reset(raw[i]);
    fakes.host->verify();
    ASSERT_EQ(call.hr, S_OK);
    EXPECT_EQ(V_VT(&call.result.get()), VT_I2);
    EXPECT_EQ(V_I2(&call.result.get()), 1);
    const std::array<std::string, 7> expected = {"IBM", "STK", "", "", "SMART", "NYSE", "USD"};
    for (std::size_t i = 0; i < texts.size(); ++i)
        EXPECT_EQ(win32::from_bstr(texts[i].get()), expected[i]) << i;
    EXPECT_EQ(strike, 0);
    EXPECT_EQ(multiplier, 0);
}

TEST_F(PelorinObjectTest, ACancelledContractEmptiesTheArgumentsAndKeepsTheGivenIndex) {
    com_ptr<IDispatch> p = make_pelorin();
    std::array<BSTR, 7> raw{};
    for (BSTR& t : raw)
        t = ::SysAllocString(L"old");
    double strike = 9;
    double multiplier = 9;
    short index = 2;
    std::vector<VARIANT> args = {by_ref(&raw[0]), by_ref(&raw[1]),     by_ref(&raw[2]), by_ref(&strike),
                                 by_ref(&raw[3]), by_ref(&multiplier), by_ref(&raw[4]), by_ref(&raw[5]),
                                 by_ref(&raw[6]), by_ref(&index)};
    fakes.host->click("ButCancel");
    Call call = invoke(p.get(), L"AddNewSymbol", DISPATCH_METHOD, args);
    fakes.host->verify();
    ASSERT_EQ(call.hr, S_OK);
    EXPECT_EQ(V_I2(&call.result.get()), 2);
    for (BSTR& t : raw) {
        EXPECT_EQ(win32::from_bstr(t), "");
        const unique_bstr owner(t);
    }
    EXPECT_EQ(strike, 0);
    EXPECT_EQ(multiplier, 0);
    EXPECT_EQ(index, 2);
}

TEST_F(PelorinObjectTest, TheApplicationIsAnyObjectOrNothingAndAnythingElseIsATypeMismatch) {
    com_ptr<IDispatch> p = make_pelorin();
    auto excel = com::make_object<FakeExcel>(std::nullopt);
    ASSERT_EQ(invoke(p.get(), L"ExcelApplication", DISPATCH_PROPERTYPUTREF, {object_value(excel.get())}).hr,
              S_OK);
    Call got = invoke(p.get(), L"ExcelApplication", DISPATCH_PROPERTYGET, {});
    ASSERT_EQ(V_VT(&got.result.get()), VT_DISPATCH);
    EXPECT_EQ(V_DISPATCH(&got.result.get()), static_cast<IDispatch*>(excel.get()));
    Call direct = invoke(p.get(), L"m_ObjExcelApplication", DISPATCH_PROPERTYGET, {});
    ASSERT_EQ(V_VT(&direct.result.get()), VT_DISPATCH);
    EXPECT_EQ(V_DISPATCH(&direct.result.get()), static_cast<IDispatch*>(excel.get()));

    VARIANT text{};
    V_VT(&text) = VT_BSTR;
    unique_bstr owner(::SysAllocString(L"Excel.Application"));
    V_BSTR(&text) = owner.get();
    for (const VARIANT& refused : {number(42), text, VARIANT{}}) {
        expect_error(invoke(p.get(), L"ExcelApplication", DISPATCH_PROPERTYPUTREF, {refused}),
                     static_cast<HRESULT>(0x800A000D), "Pelorin.cPelorin.ExcelApplication", "Type mismatch");
    }
    Call kept = invoke(p.get(), L"m_ObjExcelApplication", DISPATCH_PROPERTYGET, {});
    EXPECT_EQ(V_DISPATCH(&kept.result.get()), static_cast<IDispatch*>(excel.get()))
        << "a refused value leaves the application as it was";

    ASSERT_EQ(invoke(p.get(), L"ExcelApplication", DISPATCH_PROPERTYPUTREF, {object_value(nullptr)}).hr,
              S_OK);
    Call none = invoke(p.get(), L"ExcelApplication", DISPATCH_PROPERTYGET, {});
    ASSERT_EQ(V_VT(&none.result.get()), VT_DISPATCH);
    EXPECT_EQ(V_DISPATCH(&none.result.get()), nullptr);
    EXPECT_EQ(objects.back()->logic().m_ObjExcelApplication(), nullptr);
}

TEST_F(PelorinObjectTest, TheTapeLocationWithoutATapeDialogIsError91) {
    com_ptr<IDispatch> p = make_pelorin();
    expect_error(invoke(p.get(), L"RefEditInputs", DISPATCH_PROPERTYGET, {}),
                 static_cast<HRESULT>(0x800A005B), "Pelorin.cPelorin.RefEditInputs",
                 "The tape dialog is not open: call ShowRefEditInterface first");
    VARIANT location{};
    V_VT(&location) = VT_BSTR;
    unique_bstr owner(::SysAllocString(L"Sheet1!$B$2"));
    V_BSTR(&location) = owner.get();
    expect_error(invoke(p.get(), L"RefEditInputs", DISPATCH_PROPERTYPUT, {location}),
                 static_cast<HRESULT>(0x800A005B), "Pelorin.cPelorin.RefEditInputs",
                 "The tape dialog is not open: call ShowRefEditInterface first");
    EXPECT_EQ(invoke(p.get(), L"UnloadfrmMaster", DISPATCH_METHOD, {}).hr, S_OK);
}

TEST_F(PelorinObjectTest, DialogsBelongToExcelsWindowOrElseToTheActiveWindow) {
    win32::unique_hwnd excel_window(::CreateWindowExW(0, L"STATIC", L"Excel", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                                                      100, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(excel_window);
    com_ptr<IDispatch> p = make_pelorin();
    auto excel =
        com::make_object<FakeExcel>(static_cast<LONG>(reinterpret_cast<std::uintptr_t>(excel_window.get())));
    ASSERT_EQ(invoke(p.get(), L"ExcelApplication", DISPATCH_PROPERTYPUTREF, {object_value(excel.get())}).hr,
              S_OK);
    Flags flags{};
    fakes.host->click("ButCancel");
    create_new_project(p.get(), flags);
    EXPECT_EQ(g_owned, 1);
    EXPECT_EQ(g_owner, excel_window.get());
    EXPECT_EQ(excel->calls, 1) << "Excel is asked for its window once per dialog member";

    // An application that cannot tell, and one that names no window, leave the active window.
    for (std::optional<LONG> hwnd : {std::optional<LONG>{}, std::optional<LONG>{0x7ff0}}) {
        auto mute = com::make_object<FakeExcel>(hwnd);
        ASSERT_EQ(
            invoke(p.get(), L"m_ObjExcelApplication", DISPATCH_PROPERTYPUTREF, {object_value(mute.get())}).hr,
            S_OK);
        fakes.host->close_box();
        g_owner = reinterpret_cast<HWND>(1);
        create_new_project(p.get(), flags);
        EXPECT_EQ(g_owner, ::GetActiveWindow());
    }
}

TEST_F(PelorinObjectTest, TwoObjectsShareTheServicesAndEitherMayGoFirst) {
    for (bool first_goes_first : {true, false}) {
        com_ptr<IDispatch> a = make_pelorin();
        com_ptr<IDispatch> b = make_pelorin();
        const cPelorin& la = objects[objects.size() - 2]->logic();
        const cPelorin& lb = objects.back()->logic();
        EXPECT_EQ(&la.error_handler(), &lb.error_handler());
        EXPECT_EQ(la.app_settings(), lb.app_settings());
        (first_goes_first ? a : b).reset();
        com_ptr<IDispatch>& left = first_goes_first ? b : a;
        Flags flags{};
        fakes.host->click("ButCreateProject");
        Call call = create_new_project(left.get(), flags);
        ASSERT_EQ(call.hr, S_OK);
        EXPECT_EQ(V_BOOL(&call.result.get()), VARIANT_TRUE);
        left.reset();
        objects.clear();
    }
    EXPECT_EQ(com::live_objects(), 0);
}

// A script's variables are variants passed by reference: they take the answers as the declared types.
TEST_F(PelorinObjectTest, AScriptsVariablesTakeTheAnswersOfTheDialogMembers) {
    com_ptr<IDispatch> p = make_pelorin();
    std::array<unique_variant, 10> flags;
    std::vector<VARIANT> args;
    for (auto& f : flags) {
        f.reset(number(7));
        args.push_back(by_ref(const_cast<VARIANT*>(&f.get())));
    }
    fakes.host->click("ButUncheckAll").click("chkVolume").click("ButCreateProject");
    Call confirmed = invoke(p.get(), L"CreateNewProject", DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
    fakes.host->verify();
    ASSERT_EQ(confirmed.hr, S_OK);
    EXPECT_EQ(V_BOOL(&confirmed.result.get()), VARIANT_TRUE);
    for (std::size_t i = 0; i < flags.size(); ++i) {
        ASSERT_EQ(V_VT(&flags[i].get()), VT_I2) << i;
        EXPECT_EQ(V_I2(&flags[i].get()), i == 9 ? 1 : 0) << i;
    }

    // Variables never assigned are Empty: they take the contract's texts and numbers.
    std::array<unique_variant, 9> contract;
    args.clear();
    for (auto& c : contract)
        args.push_back(by_ref(const_cast<VARIANT*>(&c.get())));
    fakes.host->type("txtSTKSymbol", "IBM").click("ButInsert");
    Call inserted = invoke(p.get(), L"AddNewSymbol", DISPATCH_METHOD, args);
    fakes.host->verify();
    ASSERT_EQ(inserted.hr, S_OK);
    EXPECT_EQ(V_I2(&inserted.result.get()), 1);
    ASSERT_EQ(V_VT(&contract[0].get()), VT_BSTR);
    EXPECT_EQ(win32::from_bstr(V_BSTR(&contract[0].get())), "IBM");
    EXPECT_EQ(win32::from_bstr(V_BSTR(&contract[1].get())), "STK");
    ASSERT_EQ(V_VT(&contract[3].get()), VT_R8);
    EXPECT_EQ(V_R8(&contract[3].get()), 0);

    // A value that cannot take the declared type is the caller's type mismatch; no dialog opens.
    VARIANT many{};
    V_VT(&many) = VT_BSTR;
    V_BSTR(&many) = ::SysAllocString(L"many");
    flags[0].reset(many);
    const VARIANT* first = &flags[0].get();
    args.clear();
    for (auto& f : flags)
        args.push_back(by_ref(const_cast<VARIANT*>(&f.get())));
    EXPECT_EQ(invoke(p.get(), L"CreateNewProject", DISPATCH_METHOD, args).hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(win32::from_bstr(V_BSTR(first)), "many");
}

TEST_F(PelorinObjectTest, MissingResultPointersAreRefused) {
    com_ptr<IDispatch> p = make_pelorin();
    com_ptr<_cPelorin> early = p.as<_cPelorin>();
    EXPECT_EQ(early->get_m_ObjExcelApplication(nullptr), E_POINTER);
    EXPECT_EQ(early->get_ExcelApplication(nullptr), E_POINTER);
    EXPECT_EQ(early->ShowRefEditInterface(nullptr), E_POINTER);
    short s = 0;
    VARIANT_BOOL confirmed = VARIANT_FALSE;
    EXPECT_EQ(early->CreateNewProject(&s, &s, &s, &s, &s, &s, &s, &s, &s, nullptr, &confirmed), E_POINTER);
    EXPECT_EQ(fakes.host->steps_left(), 0u) << "no dialog was shown";
}

}  // namespace
}  // namespace corvel
