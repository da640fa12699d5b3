// Drives the market-data library as Excel's VBA does: late-bound through IDispatch by name, with its
// events sunk through the connection point, against a TWS simulator on loopback.
//   tallowin3_client.exe <simulator port> <file for what arrived>   (the contract, with its checks)
//   tallowin3_client.exe compare <file of what arrived> <file of what the simulator sent>
//   tallowin3_client.exe <simulator port> --bench <seconds>         (records per second through the DLL)
// Everything else of the Windows SDK assumes the base definitions are in place.
#include <windows.h>

#include <ocidl.h>
#include <oleauto.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "tests/wine/checks.h"
#include "tests/wine/stack_sink.h"

namespace {

using corvel::win32::com_ptr;

using corvel::wine_test::check;
using corvel::wine_test::StackSink;

// A VARIANT owned by value.
struct Var {
    mutable VARIANT v;  // the variant calls take non-const pointers even to read
    Var() { ::VariantInit(&v); }
    Var(long n) : Var() { V_VT(&v) = VT_I4, V_I4(&v) = n; }
    Var(double d) : Var() { V_VT(&v) = VT_R8, V_R8(&v) = d; }
    Var(const wchar_t* s) : Var() { V_VT(&v) = VT_BSTR, V_BSTR(&v) = ::SysAllocString(s); }
    Var(IDispatch* d) : Var() {
        V_VT(&v) = VT_DISPATCH, V_DISPATCH(&v) = d;
        if (d) d->AddRef();
    }
    Var(const Var& o) : Var() { ::VariantCopy(&v, &o.v); }
    Var& operator=(const Var& o) {
        if (this != &o) ::VariantCopy(&v, &o.v);
        return *this;
    }
    ~Var() { ::VariantClear(&v); }
    long as_long() const {
        Var t;
        return SUCCEEDED(::VariantChangeType(&t.v, &v, 0, VT_I4)) ? V_I4(&t.v) : -999999;
    }
    double as_double() const {
        Var t;
        return SUCCEEDED(::VariantChangeType(&t.v, &v, 0, VT_R8)) ? V_R8(&t.v) : -999999.0;
    }
    std::wstring as_text() const {
        Var t;
        return SUCCEEDED(::VariantChangeType(&t.v, &v, 0, VT_BSTR)) && V_BSTR(&t.v) ? V_BSTR(&t.v) : L"";
    }
    bool as_bool() const { return V_VT(&v) == VT_BOOL && V_BOOL(&v) != VARIANT_FALSE; }
    IDispatch* as_dispatch() const { return V_VT(&v) == VT_DISPATCH ? V_DISPATCH(&v) : nullptr; }
};

// Late-bound calls by member name, as VBA makes them on an Object variable.
struct Late {
    com_ptr<IDispatch> d;
    HRESULT last = S_OK;
    std::wstring last_error;

    Var invoke(const wchar_t* name, WORD flags, std::vector<Var> args) {
        Var result;
        DISPID id = 0;
        auto* n = const_cast<LPOLESTR>(name);
        last = d->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(last)) return result;
        std::vector<VARIANT> reversed;
        for (auto it = args.rbegin(); it != args.rend(); ++it)
            reversed.push_back(it->v);
        DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        DISPID named = DISPID_PROPERTYPUT;
        if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
            params.rgdispidNamedArgs = &named;
            params.cNamedArgs = 1;
        }
        corvel::win32::unique_excepinfo info;
        last = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                         (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) ? nullptr : &result.v,
                         info.put(), nullptr);
        last_error = info.get().bstrDescription ? info.get().bstrDescription : L"";
        if (last == DISP_E_EXCEPTION) last = info.get().scode;
        return result;
    }
    Var call(const wchar_t* name, std::vector<Var> args = {}) {
        return invoke(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args));
    }
    void put(const wchar_t* name, Var value) { invoke(name, DISPATCH_PROPERTYPUT, {value}); }
    Late object(const wchar_t* name, std::vector<Var> args = {}) {
        Var v = call(name, std::move(args));
        Late out;
        out.d = com_ptr<IDispatch>(v.as_dispatch());
        return out;
    }
};

struct Tick {
    long id;
    long type;
    double value;
};

// The event sink: it answers for the event interface the object names, and records what arrives.
class Sink final : public StackSink<IDispatch> {
  public:
    const IID& sink_iid() const override { return events; }
    IID events{};
    Late tws;
    bool fetch = true;           // take the data out in the handler (as a caller keeping up does)
    bool fetch_on_loss = false;  // and in the IBTWSdataLoss handler too
    int datas_events = 0;
    int loss_events = 0;
    int nested = 0;
    int nested_losses = 0;  // IBTWSdataLoss raised while its handler was running
    bool inside = false;
    bool inside_loss = false;
    std::vector<std::pair<long, long>> errors;  // id, code
    std::vector<Tick> received;
    std::size_t records = 0;

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        if (id == 1) {
            ++datas_events;
            if (inside) ++nested;
            inside = true;
            if (fetch) take();
            inside = false;
        } else if (id == 2) {
            ++loss_events;
            if (inside_loss) {
                // Taking data again would recurse without end: stop here, the check reports it.
                ++nested_losses;
                return S_OK;
            }
            inside_loss = true;
            if (fetch_on_loss) take();
            inside_loss = false;
        } else if (id == 3 && p && p->cArgs == 3) {
            // Arguments arrive last to first.
            errors.emplace_back(V_I4(&p->rgvarg[2]), V_I4(&p->rgvarg[1]));
        }
        return S_OK;
    }

    // GetCurrentData from inside the handler; every record read through IDispatch.
    void take() {
        Late data = tws.object(L"GetCurrentData");
        if (!data.d) return;
        const long count = data.call(L"Count").as_long();
        for (long i = 1; i <= count; ++i) {
            Late r = data.object(L"Item", {Var(i)});
            received.push_back(
                {r.call(L"id").as_long(), r.call(L"TickType").as_long(), r.call(L"Price").as_double()});
        }
        records += static_cast<std::size_t>(count);
        data.call(L"Clear");
    }
};

// Lets events arrive for `seconds`, or until `done` says so.
template <class Done>
void pump(double seconds, Done done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    // One message at a time, as a host's loop does: a stream that never pauses must not keep the
    // loop from looking at the clock.
    while (std::chrono::steady_clock::now() < until && !done()) {
        MSG msg;
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        } else {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
    }
}

Late create(const wchar_t* prog_id) {
    CLSID clsid;
    Late out;
    if (SUCCEEDED(::CLSIDFromProgID(prog_id, &clsid))) {
        ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, out.d.put_void());
    }
    return out;
}

bool is_price_type(long t) {
    return t == 1 || t == 2 || t == 4 || t == 6 || t == 7 || t == 9;
}

void subscribe(Late& tws) {
    const wchar_t* symbols[] = {L"IBM", L"MSFT", L"AAPL"};
    for (long id = 1; id <= 3; ++id) {
        tws.call(L"StartQuery", {Var(id), Var(symbols[id - 1]), Var(L"STK"), Var(L""), Var(0.0), Var(L""),
                                 Var(L""), Var(L"SMART"), Var(L""), Var(L"USD")});
    }
}

struct Connection {
    com_ptr<IConnectionPoint> point;
    DWORD cookie = 0;
};

Connection advise(Late& tws, Sink& sink) {
    Connection c;
    // Find the event interface as script and VBA hosts do: from the object's class information.
    com_ptr<IProvideClassInfo2> info = tws.d.as<IProvideClassInfo2>();
    check(static_cast<bool>(info), "the connection object provides its class information");
    if (!info || FAILED(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &sink.events))) return c;
    com_ptr<IConnectionPointContainer> container = tws.d.as<IConnectionPointContainer>();
    check(container && SUCCEEDED(container->FindConnectionPoint(sink.events, c.point.put())),
          "find the events");
    if (c.point) check(SUCCEEDED(c.point->Advise(&sink, &c.cookie)), "connect the sink");
    return c;
}

int run_contract(int port, const std::string& received_path) {
    std::size_t before_condensing = 0;
    Sink sink;
    {
        Late download = create(L"Tallowin3.cDownload");
        check(static_cast<bool>(download.d), "create Tallowin3.cDownload");
        if (!download.d) return 1;
        Late tws = download.object(L"m_cTWS");
        sink.tws = tws;
        Connection events = advise(tws, sink);

        check(tws.call(L"MaxRecord").as_long() == 1000, "MaxRecord starts at 1000");
        for (long t = 0; t <= 9; ++t)
            tws.call(L"AddRecordFilter", {Var(t)});
        check(tws.call(L"Connect", {Var(L"127.0.0.1"), Var(static_cast<long>(port)), Var(21L)}).as_bool(),
              "Connect to the simulator");
        subscribe(tws);
        tws.call(L"StartQuery", {Var(9L), Var(L"NOSUCHSYMBOL"), Var(L"STK"), Var(L""), Var(0.0), Var(L""),
                                 Var(L""), Var(L"SMART"), Var(L""), Var(L"USD")});
        pump(15, [&] { return sink.records >= 300 && !sink.errors.empty(); });
        check(sink.records >= 300, "records arrive (" + std::to_string(sink.records) + ")");
        check(sink.nested == 0, "no event while the handler runs");
        bool unknown = false;
        for (const auto& [id, code] : sink.errors)
            unknown |= (id == 9 && code == 200);
        check(unknown, "an unknown symbol is answered with error 200 for its id");

        before_condensing = sink.received.size();
        // Fall behind: stop taking data, with a small MaxRecord, then take it once.
        tws.put(L"MaxRecord", Var(5L));
        sink.fetch = false;
        pump(2, [&] { return false; });
        sink.take();
        check(sink.loss_events >= 1, "a delivery that condenses raises IBTWSdataLoss");

        // Every delivery condenses, and the caller takes the data in both handlers.
        const int losses_before = sink.loss_events;
        const std::size_t records_before = sink.records;
        tws.put(L"MaxRecord", Var(0L));
        sink.fetch = true;
        sink.fetch_on_loss = true;
        pump(5, [&] { return sink.loss_events >= losses_before + 20 && sink.records > records_before + 20; });
        check(sink.nested_losses == 0,
              "GetCurrentData inside IBTWSdataLoss raises no second IBTWSdataLoss (" +
                  std::to_string(sink.nested_losses) + " nested)");
        check(sink.loss_events > losses_before && sink.records > records_before,
              "deliveries go on, each telling of its condensing");
        sink.fetch_on_loss = false;

        for (long id = 1; id <= 3; ++id)
            tws.call(L"StopQuery", {Var(id)});
        tws.call(L"disconnect");
        check(SUCCEEDED(tws.last), "disconnect");
        if (events.point) events.point->Unadvise(events.cookie);
        sink.tws = Late{};
    }

    // What arrived before the caller fell behind, for the comparison with what the simulator sent.
    std::ofstream out(received_path);
    out.precision(17);
    for (std::size_t i = 0; i < before_condensing; ++i) {
        out << sink.received[i].id << ' ' << sink.received[i].type << ' ' << sink.received[i].value << '\n';
    }
    check(static_cast<bool>(out.flush()), "write what arrived");

    using CanUnload = HRESULT(WINAPI*)();
    HMODULE dll = ::GetModuleHandleW(L"Tallowin3.dll");
    auto can_unload =
        dll ? reinterpret_cast<CanUnload>(reinterpret_cast<void*>(::GetProcAddress(dll, "DllCanUnloadNow")))
            : nullptr;
    check(dll && can_unload && can_unload() == S_OK, "DllCanUnloadNow once everything is released");

    // The library can be unloaded and loaded again, any number of times, and every class works after
    // each reload. Its connection objects own windows: their class must go with the library.
    for (int round = 0; round < 3; ++round) {
        const std::string in_round = " (round " + std::to_string(round) + ")";
        // The first call marks an unused library, a later one frees it.
        ::CoFreeUnusedLibrariesEx(0, 0);
        ::Sleep(20);
        ::CoFreeUnusedLibrariesEx(0, 0);
        check(::GetModuleHandleW(L"Tallowin3.dll") == nullptr, "unloaded when unused" + in_round);
        WNDCLASSEXW left{};
        left.cbSize = sizeof left;
        check(!::GetClassInfoExW(dll, L"CorvelTwsSocketWindow", &left) &&
                  !::GetClassInfoExW(::GetModuleHandleW(nullptr), L"CorvelTwsSocketWindow", &left),
              "no window class left behind by the unloaded library" + in_round);
        Late again = create(L"Tallowin3.cTWSDatas");
        check(again.d && again.object(L"ItemAdd", {Var(L"a7")}).call(L"NameID").as_text() == L"a7" &&
                  again.call(L"Count").as_long() == 1,
              "loaded again and working" + in_round);
        dll = ::GetModuleHandleW(L"Tallowin3.dll");
        Late tws = create(L"Tallowin3.cTWS");
        check(static_cast<bool>(tws.d), "create Tallowin3.cTWS after a reload" + in_round);
        Late download = create(L"Tallowin3.cDownload");
        check(static_cast<bool>(download.d), "create Tallowin3.cDownload after a reload" + in_round);
        if (!tws.d || !download.d) continue;
        check(tws.call(L"Connect", {Var(L"127.0.0.1"), Var(static_cast<long>(port)), Var(30L + round)})
                  .as_bool(),
              "Connect after a reload" + in_round);
        tws.call(L"disconnect");
        check(SUCCEEDED(tws.last), "disconnect after a reload" + in_round);
    }
    return corvel::wine_test::summary();
}

// Every price that arrived is one the simulator sent for that id and type, in the order it sent them
// (the engine drops no price; sizes it may thin out, so only prices are compared).
int run_compare(const std::string& received_path, const std::string& sent_path) {
    std::map<std::pair<long, long>, std::vector<double>> sent;
    {
        std::ifstream in(sent_path);
        long connection, id, type;
        double value;
        while (in >> connection >> id >> type >> value)
            sent[{id, type}].push_back(value);
    }
    std::map<std::pair<long, long>, std::size_t> next;
    std::ifstream in(received_path);
    long id, type;
    double value;
    std::size_t compared = 0;
    bool in_order = true;
    while (in_order && in >> id >> type >> value) {
        if (!is_price_type(type)) continue;
        const auto it = sent.find({id, type});
        std::size_t& i = next[{id, type}];
        while (it != sent.end() && i < it->second.size() && it->second[i] != value)
            ++i;
        if (it == sent.end() || i == it->second.size()) {
            std::printf("   not sent, or not in this order: id %ld type %ld value %.10g\n", id, type, value);
            in_order = false;
            break;
        }
        ++i;
        ++compared;
    }
    check(in_order && compared > 0,
          "delivered prices are the simulator's, in its order (" + std::to_string(compared) + " compared)");
    return corvel::wine_test::summary();
}

int run_bench(int port, double seconds) {
    Sink sink;
    Late download = create(L"Tallowin3.cDownload");
    Late tws = download.object(L"m_cTWS");
    sink.tws = tws;
    Connection events = advise(tws, sink);
    for (long t = 0; t <= 9; ++t)
        tws.call(L"AddRecordFilter", {Var(t)});
    if (!tws.call(L"Connect", {Var(L"127.0.0.1"), Var(static_cast<long>(port)), Var(22L)}).as_bool()) {
        std::printf("cannot connect\n");
        return 1;
    }
    subscribe(tws);
    const auto start = std::chrono::steady_clock::now();
    pump(seconds, [] { return false; });
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    tws.call(L"disconnect");
    if (events.point) events.point->Unadvise(events.cookie);
    std::printf("records %zu in %.2f s: %.0f records/s read through IDispatch, %d events, %d condensings\n",
                sink.records, elapsed, sink.records / elapsed, sink.datas_events, sink.loss_events);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf(
            "usage: tallowin3_client <port> <received-file> | compare <received> <sent> | <port> --bench "
            "<s>\n");
        return 2;
    }
    if (std::string(argv[1]) == "compare") return argc > 3 ? run_compare(argv[2], argv[3]) : 2;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int port = std::atoi(argv[1]);
    const int rc = std::string(argv[2]) == "--bench" ? run_bench(port, argc > 3 ? std::atof(argv[3]) : 10.0)
                                                     : run_contract(port, argv[2]);
    ::CoUninitialize();
    return rc;
}
