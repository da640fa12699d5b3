// Drives Tallowin3.RTD as Excel does: early-bound through IRtdServer, with an update callback that asks
// for a refresh from the message loop, against the TWS simulator on loopback.
//   rtd_client.exe <port> <work folder>      the contract (run.sh stops and restarts the simulator
//                                            when the client leaves a marker file in the folder)
//   rtd_client.exe compare <values> <simulator log> <simulator record>
//   rtd_client.exe <port> --bench <seconds>  topic updates per second through RefreshData
#include <windows.h>

#include <oleauto.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win32/handles.h"
#include "tests/wine/checks.h"
#include "tests/wine/stack_sink.h"

// Excel's real-time data contract, written here from Excel's documentation rather than taken from the
// library's headers: a slot out of place in the library would not be copied into the test.
struct IRTDUpdateEvent : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE UpdateNotify() = 0;
    virtual HRESULT STDMETHODCALLTYPE get_HeartbeatInterval(LONG* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_HeartbeatInterval(LONG value) = 0;
    virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
};
__CRT_UUID_DECL(IRTDUpdateEvent, 0xa43788c1, 0xd91b, 0x11d3, 0x8f, 0x39, 0x00, 0xc0, 0x4f, 0x36, 0x51, 0xb8)
struct IRtdServer : public IDispatch {
    virtual HRESULT STDMETHODCALLTYPE ServerStart(IRTDUpdateEvent* callback, LONG* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE ConnectData(LONG topic, SAFEARRAY** strings,
                                                  VARIANT_BOOL* get_new_values, VARIANT* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE RefreshData(LONG* topic_count, SAFEARRAY** values) = 0;
    virtual HRESULT STDMETHODCALLTYPE DisconnectData(LONG topic) = 0;
    virtual HRESULT STDMETHODCALLTYPE Heartbeat(LONG* result) = 0;
    virtual HRESULT STDMETHODCALLTYPE ServerTerminate() = 0;
};
__CRT_UUID_DECL(IRtdServer, 0xec0e6191, 0xdb51, 0x11d3, 0x8f, 0x3e, 0x00, 0xc0, 0x4f, 0x36, 0x51, 0xb8)

namespace {

using corvel::win32::com_ptr;
using corvel::win32::unique_safearray;
using corvel::win32::unique_variant;
using corvel::wine_test::check;
using corvel::wine_test::StackSink;

constexpr int kContracts = 100;
const char* const kFields[] = {"LAST",     "BID",  "ASK", "LAST_SIZE", "BID_SIZE",
                               "ASK_SIZE", "HIGH", "LOW", "VOLUME",    "CLOSE"};
constexpr int kFieldTypes[] = {4, 1, 2, 5, 0, 3, 6, 7, 8, 9};
constexpr int kFieldCount = 10;
// Topics beyond the quote grid.
constexpr LONG kTimeTopic = 5001, kStatusTopic = 5002, kBadFieldTopic = 5003, kBadContractTopic = 5004,
               kUnknownLast = 5005, kUnknownBid = 5006, kLateTopic = 5007;

std::string symbol(int i) {
    char text[8];
    std::snprintf(text, sizeof text, "R%03d", i);
    return text;
}
LONG quote_topic(int contract, int field) {
    return contract * kFieldCount + field + 1;
}

// A cell as Excel keeps it.
struct Cell {
    bool number = false;
    double value = 0;
    std::wstring text;
};

Cell cell_of(const VARIANT& v) {
    Cell c;
    if (V_VT(&v) == VT_R8 || V_VT(&v) == VT_DATE) {
        c.number = true;
        c.value = V_VT(&v) == VT_R8 ? V_R8(&v) : V_DATE(&v);
    } else if (V_VT(&v) == VT_BSTR && V_BSTR(&v)) {
        c.text = V_BSTR(&v);
    }
    return c;
}

std::string narrow(const std::wstring& w) {
    return std::string(w.begin(), w.end());
}

// Excel's side of the contract: it notes an update and refreshes from its own loop.
class Excel final : public StackSink<IRTDUpdateEvent> {
  public:
    const IID& sink_iid() const override { return __uuidof(IRTDUpdateEvent); }
    com_ptr<IRtdServer> server;
    std::map<LONG, Cell> cells;
    bool pending = false;
    int notifies = 0;
    int notifies_while_pending = 0;
    int refreshes = 0;
    std::uint64_t updates = 0;
    bool shape_ok = true;
    std::chrono::steady_clock::time_point last_change = std::chrono::steady_clock::now();

    HRESULT STDMETHODCALLTYPE UpdateNotify() override {
        ++notifies;
        if (pending) ++notifies_while_pending;
        pending = true;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_HeartbeatInterval(LONG* value) override {
        *value = 15000;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_HeartbeatInterval(LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Disconnect() override { return S_OK; }

    Cell connect(LONG topic, const std::vector<std::string>& strings) {
        SAFEARRAYBOUND bound{static_cast<ULONG>(strings.size()), 0};
        unique_safearray array(::SafeArrayCreate(VT_VARIANT, 1, &bound));
        for (LONG i = 0; i < static_cast<LONG>(strings.size()); ++i) {
            const std::wstring w(strings[i].begin(), strings[i].end());
            VARIANT v;
            ::VariantInit(&v);
            V_VT(&v) = VT_BSTR;
            V_BSTR(&v) = ::SysAllocString(w.c_str());
            const unique_variant owned(v);
            ::SafeArrayPutElement(array.get(), &i, &v);
        }
        VARIANT_BOOL fresh = VARIANT_TRUE;
        unique_variant value;
        SAFEARRAY* p = array.get();
        const HRESULT hr = server->ConnectData(topic, &p, &fresh, value.put());
        check(SUCCEEDED(hr), "ConnectData " + std::to_string(topic));
        return cells[topic] = cell_of(value.get());
    }

    void refresh() {
        pending = false;
        ++refreshes;
        LONG count = -1;
        SAFEARRAY* raw = nullptr;
        const HRESULT hr = server->RefreshData(&count, &raw);
        unique_safearray values(raw);
        if (FAILED(hr) || !raw) {
            shape_ok = false;
            return;
        }
        LONG low1 = -1, high1 = -1, low2 = -1, high2 = -1;
        ::SafeArrayGetLBound(raw, 1, &low1);
        ::SafeArrayGetUBound(raw, 1, &high1);
        ::SafeArrayGetLBound(raw, 2, &low2);
        ::SafeArrayGetUBound(raw, 2, &high2);
        if (::SafeArrayGetDim(raw) != 2 || low1 != 0 || high1 != 1 || low2 != 0 || high2 != count - 1) {
            shape_ok = false;
            return;
        }
        for (LONG i = 0; i < count; ++i) {
            LONG index[2] = {0, i};
            unique_variant id, value;
            ::SafeArrayGetElement(raw, index, id.put());
            index[0] = 1;
            ::SafeArrayGetElement(raw, index, value.put());
            if (V_VT(&id.get()) != VT_I4) {
                shape_ok = false;
                continue;
            }
            cells[V_I4(&id.get())] = cell_of(value.get());
            ++updates;
        }
        if (count > 0) last_change = std::chrono::steady_clock::now();
    }
};

// Lets messages arrive, refreshing on every update as Excel does, for `seconds` or until `done`.
bool pump(Excel& excel, double seconds, const std::function<bool()>& done) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < until) {
        if (done()) return true;
        MSG msg;
        if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        } else {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        if (excel.pending) excel.refresh();
    }
    return done();
}

bool all_quotes(Excel& excel, const std::function<bool(const Cell&)>& test) {
    for (int c = 0; c < kContracts; ++c) {
        for (int f = 0; f < kFieldCount; ++f) {
            if (!test(excel.cells[quote_topic(c, f)])) return false;
        }
    }
    return true;
}

// Every quote is a number and nothing changed for a while: the simulator's lines have gone quiet.
bool settled(Excel& excel) {
    return std::chrono::steady_clock::now() - excel.last_change > std::chrono::milliseconds(1500) &&
           all_quotes(excel, [](const Cell& c) { return c.number; });
}

bool write_values(Excel& excel, const std::string& path) {
    std::ofstream out(path);
    out.precision(17);
    for (int c = 0; c < kContracts; ++c) {
        for (int f = 0; f < kFieldCount; ++f)
            out << symbol(c) << ' ' << kFieldTypes[f] << ' ' << excel.cells[quote_topic(c, f)].value << '\n';
    }
    return static_cast<bool>(out.flush());
}

void mark(const std::string& folder, const char* name) {
    std::ofstream(folder + "\\" + name) << "1\n";
}

com_ptr<IRtdServer> create_server() {
    CLSID clsid;
    com_ptr<IRtdServer> server;
    if (SUCCEEDED(::CLSIDFromProgID(L"Tallowin3.RTD", &clsid)))
        ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IRtdServer), server.put_void());
    return server;
}

bool starts_with(const std::wstring& s, const wchar_t* prefix) {
    return s.rfind(prefix, 0) == 0;
}

// The same members through IDispatch, by Excel's names and dispatch identifiers.
void check_late_binding(IRtdServer* server) {
    const wchar_t* names[] = {L"ServerStart",    L"ConnectData", L"RefreshData",
                              L"DisconnectData", L"heartbeat",   L"ServerTerminate"};
    bool ids = true;
    for (int i = 0; i < 6; ++i) {
        DISPID id = 0;
        auto* name = const_cast<LPOLESTR>(names[i]);
        ids = ids && SUCCEEDED(server->GetIDsOfNames(IID_NULL, &name, 1, 0, &id)) && id == 10 + i;
    }
    check(ids, "Excel's member names have Excel's dispatch identifiers 10 to 15");

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    unique_variant beat;
    HRESULT hr = server->Invoke(14, IID_NULL, 0, DISPATCH_METHOD, &none, beat.put(), nullptr, nullptr);
    check(SUCCEEDED(hr) && V_VT(&beat.get()) == VT_I4 && V_I4(&beat.get()) == 1, "Heartbeat by dispatch id");

    // ConnectData(TopicID, Strings, GetNewValues): arguments go last to first.
    SAFEARRAYBOUND bound{2, 0};
    unique_safearray strings(::SafeArrayCreate(VT_VARIANT, 1, &bound));
    const wchar_t* topic[] = {L"STK:R001:SMART:USD", L"NOPE"};
    for (LONG i = 0; i < 2; ++i) {
        VARIANT v;
        ::VariantInit(&v);
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = ::SysAllocString(topic[i]);
        const unique_variant owned(v);
        ::SafeArrayPutElement(strings.get(), &i, &v);
    }
    SAFEARRAY* array = strings.get();
    VARIANT_BOOL fresh = VARIANT_TRUE;
    VARIANT args[3];
    V_VT(&args[0]) = VT_BYREF | VT_BOOL;
    V_BOOLREF(&args[0]) = &fresh;
    V_VT(&args[1]) = VT_BYREF | VT_ARRAY | VT_VARIANT;
    V_ARRAYREF(&args[1]) = &array;
    V_VT(&args[2]) = VT_I4;
    V_I4(&args[2]) = 6000;
    DISPPARAMS connect{args, nullptr, 3, 0};
    unique_variant value;
    hr = server->Invoke(11, IID_NULL, 0, DISPATCH_METHOD, &connect, value.put(), nullptr, nullptr);
    check(SUCCEEDED(hr) && cell_of(value.get()).text == L"#N/A bad topic: unknown field 'NOPE'",
          "ConnectData by dispatch id");
    VARIANT id;
    V_VT(&id) = VT_I4;
    V_I4(&id) = 6000;
    DISPPARAMS disconnect{&id, nullptr, 1, 0};
    check(SUCCEEDED(server->Invoke(13, IID_NULL, 0, DISPATCH_METHOD, &disconnect, nullptr, nullptr, nullptr)),
          "DisconnectData by dispatch id");
    check(server->Invoke(13, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr) ==
              DISP_E_BADPARAMCOUNT,
          "a missing argument is refused");
    check(server->Invoke(99, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr) ==
              DISP_E_MEMBERNOTFOUND,
          "an unknown dispatch id is refused");
}

int run_contract(int port, const std::string& folder) {
    const std::string where = "127.0.0.1:" + std::to_string(port) + ":41";
    {
        Excel excel;
        excel.server = create_server();
        check(static_cast<bool>(excel.server), "create Tallowin3.RTD as IRtdServer");
        if (!excel.server) return corvel::wine_test::summary();
        LONG result = 0;
        check(SUCCEEDED(excel.server->ServerStart(&excel, &result)) && result == 1, "ServerStart answers 1");

        for (int c = 0; c < kContracts; ++c) {
            for (int f = 0; f < kFieldCount; ++f) {
                const Cell first =
                    excel.connect(quote_topic(c, f), {"STK:" + symbol(c) + ":SMART:USD", kFields[f], where});
                if (c == 0 && f == 0)
                    check(first.text == L"#N/A connecting", "a new topic shows #N/A connecting");
            }
        }
        excel.connect(kTimeTopic, {"stk:" + symbol(0) + ":SMART:USD", "time", where});
        excel.connect(kStatusTopic, {"STATUS", where});
        const Cell bad_field =
            excel.connect(kBadFieldTopic, {"STK:" + symbol(1) + ":SMART:USD", "PRICE", where});
        check(bad_field.text == L"#N/A bad topic: unknown field 'PRICE'",
              "a bad field says so: " + narrow(bad_field.text));
        const Cell bad_contract = excel.connect(kBadContractTopic, {"IBM", "LAST"});
        check(starts_with(bad_contract.text, L"#N/A bad topic: contract 'IBM'"),
              "a bad contract says so: " + narrow(bad_contract.text));
        excel.connect(kUnknownLast, {"STK:NOSUCHSYMBOL:SMART:USD", "LAST", where});
        excel.connect(kUnknownBid, {"STK:NOSUCHSYMBOL:SMART:USD", "BID", where});
        LONG beat = 0;
        check(SUCCEEDED(excel.server->Heartbeat(&beat)) && beat == 1, "Heartbeat answers 1");
        check_late_binding(excel.server.get());

        // 1 000 topics over 100 contracts, every one of them a value.
        check(pump(excel, 60, [&] { return settled(excel); }), "all 1 000 topics get their values");
        check(excel.shape_ok, "RefreshData returns two rows: the topic ids and their values");
        check(excel.notifies_while_pending == 0, "UpdateNotify at most once until the next RefreshData (" +
                                                     std::to_string(excel.notifies_while_pending) + " more)");
        check(excel.cells[kTimeTopic].number && excel.cells[kTimeTopic].value > 40000,
              "TIME is the local time of the last update");
        check(starts_with(excel.cells[kStatusTopic].text, L"connected to 127.0.0.1:"),
              "STATUS tells the connection: " + narrow(excel.cells[kStatusTopic].text));
        const std::wstring unknown = L"error 200: No security definition has been found for the request";
        check(excel.cells[kUnknownLast].text == unknown && excel.cells[kUnknownBid].text == unknown,
              "an unknown contract shows TWS's error 200 in each of its cells: " +
                  narrow(excel.cells[kUnknownLast].text));
        check(write_values(excel, folder + "\\values1.txt"), "write the first values");

        // TWS goes away: every quote shows that the server is connecting again.
        mark(folder, "stop-simulator");
        check(pump(excel, 30,
                   [&] {
                       return starts_with(excel.cells[kStatusTopic].text, L"disconnected from") &&
                              all_quotes(excel, [](const Cell& c) { return c.text == L"#N/A connecting"; });
                   }),
              "a lost connection shows #N/A connecting: " + narrow(excel.cells[kStatusTopic].text));
        mark(folder, "start-simulator");
        // And comes back by itself, with every line asked for again.
        check(pump(excel, 60,
                   [&] {
                       return starts_with(excel.cells[kStatusTopic].text, L"connected to") && settled(excel);
                   }),
              "values resume when TWS is back");
        check(excel.notifies_while_pending == 0, "still one UpdateNotify per RefreshData");
        check(write_values(excel, folder + "\\values2.txt"), "write the second values");

        // A topic added now gets its value; topics go again.
        excel.connect(kLateTopic, {"STK:" + symbol(5) + ":SMART:USD", "Last_Price", where});
        check(excel.cells[kLateTopic].number &&
                  excel.cells[kLateTopic].value == excel.cells[quote_topic(5, 0)].value,
              "a topic of a contract with a line starts at its latest value");
        for (const auto& [topic, cell] : std::map<LONG, Cell>(excel.cells))
            check(SUCCEEDED(excel.server->DisconnectData(topic)), "DisconnectData " + std::to_string(topic));
        check(SUCCEEDED(excel.server->ServerTerminate()), "ServerTerminate");
        std::printf("   %d notifications, %d refreshes, %llu topic updates\n", excel.notifies,
                    excel.refreshes, static_cast<unsigned long long>(excel.updates));
        excel.server = nullptr;
    }

    using CanUnload = HRESULT(WINAPI*)();
    HMODULE dll = ::GetModuleHandleW(L"Tallowin3.dll");
    auto can_unload =
        dll ? reinterpret_cast<CanUnload>(reinterpret_cast<void*>(::GetProcAddress(dll, "DllCanUnloadNow")))
            : nullptr;
    check(dll && can_unload && can_unload() == S_OK, "DllCanUnloadNow after ServerTerminate and release");

    // Excel frees the library when no workbook uses it, and loads it again for the next formula: the
    // server's windows and their class must have gone with it.
    ::CoFreeUnusedLibrariesEx(0, 0);
    ::Sleep(20);
    ::CoFreeUnusedLibrariesEx(0, 0);
    check(::GetModuleHandleW(L"Tallowin3.dll") == nullptr, "the library is unloaded when unused");
    {
        Excel again;
        again.server = create_server();
        LONG result = 0;
        check(again.server && SUCCEEDED(again.server->ServerStart(&again, &result)) && result == 1,
              "a server starts again after the library was reloaded");
        if (again.server) {
            again.connect(1, {"STK:" + symbol(3) + ":SMART:USD", "LAST", where});
            again.connect(2, {"STATUS", where});
            check(pump(again, 20, [&] { return again.cells[1].number; }),
                  "and streams again: " + narrow(again.cells[2].text));
            check(SUCCEEDED(again.server->ServerTerminate()), "ServerTerminate after the reload");
            again.server = nullptr;
        }
    }
    dll = ::GetModuleHandleW(L"Tallowin3.dll");
    can_unload =
        dll ? reinterpret_cast<CanUnload>(reinterpret_cast<void*>(::GetProcAddress(dll, "DllCanUnloadNow")))
            : nullptr;
    check(dll && can_unload && can_unload() == S_OK, "DllCanUnloadNow again");
    return corvel::wine_test::summary();
}

// Every value equals the last one the simulator sent for its contract and tick type on the first
// connection (the one the values were written from; a later one is the reloaded library's).
int run_compare(const std::string& values_path, const std::string& log_path, const std::string& sent_path) {
    std::map<std::string, long> ids;  // symbol -> ticker id, from "... streaming SYMBOL as id N"
    {
        std::ifstream log(log_path);
        std::string line;
        while (std::getline(log, line)) {
            const auto at = line.find("connection 1: streaming ");
            const auto as = line.find(" as id ");
            if (at == std::string::npos || as == std::string::npos) continue;
            const std::size_t name = at + std::strlen("connection 1: streaming ");
            ids[line.substr(name, as - name)] = std::atol(line.c_str() + as + 7);
        }
    }
    std::map<std::pair<long, long>, double> last;
    {
        std::ifstream in(sent_path);
        long connection, id, type;
        double value;
        while (in >> connection >> id >> type >> value) {
            if (connection == 1) last[{id, type}] = value;
        }
    }
    std::ifstream in(values_path);
    std::string name;
    long type;
    double value;
    int compared = 0, wrong = 0;
    while (in >> name >> type >> value) {
        const auto id = ids.find(name);
        const auto sent = id == ids.end() ? last.end() : last.find({id->second, type});
        ++compared;
        if (sent == last.end() || sent->second != value) {
            if (++wrong <= 5) {
                std::printf("   %s type %ld: shown %.10g, last sent %.10g\n", name.c_str(), type, value,
                            sent == last.end() ? -1.0 : sent->second);
            }
        }
    }
    std::printf("   %d values compared with the simulator's, %d differ\n", compared, wrong);
    check(compared == kContracts * kFieldCount && wrong == 0,
          "every value is the simulator's last for its contract and field (" + std::to_string(compared) +
              " compared, " + std::to_string(wrong) + " differ)");
    return corvel::wine_test::summary();
}

std::size_t memory_in_use() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    return ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters) ? counters.WorkingSetSize
                                                                                     : 0;
}

int run_bench(int port, double seconds) {
    const std::size_t before = memory_in_use();
    Excel excel;
    excel.server = create_server();
    LONG result = 0;
    if (!excel.server || FAILED(excel.server->ServerStart(&excel, &result))) {
        std::printf("cannot start the server\n");
        return 1;
    }
    const std::string where = "127.0.0.1:" + std::to_string(port) + ":42";
    for (int c = 0; c < kContracts; ++c) {
        for (int f = 0; f < kFieldCount; ++f)
            excel.connect(quote_topic(c, f), {"STK:" + symbol(c) + ":SMART:USD", kFields[f], where});
    }
    pump(excel, 30, [&] { return all_quotes(excel, [](const Cell& c) { return c.number; }); });
    const std::uint64_t updates_before = excel.updates;
    const int refreshes_before = excel.refreshes;
    const auto start = std::chrono::steady_clock::now();
    pump(excel, seconds, [] { return false; });
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const std::size_t during = memory_in_use();
    const double updates = static_cast<double>(excel.updates - updates_before);
    std::printf(
        "1000 topics over 100 contracts: %.0f topic updates/s through RefreshData (%.0f refreshes/s, "
        "%.1f topics each); working set %.1f MiB, %.1f MiB more than before the server\n",
        updates / elapsed, (excel.refreshes - refreshes_before) / elapsed,
        updates / std::max(1, excel.refreshes - refreshes_before), during / 1048576.0,
        (during - before) / 1048576.0);
    excel.server->ServerTerminate();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf(
            "usage: rtd_client <port> <folder> | compare <values> <log> <sent> | <port> --bench <s>\n");
        return 2;
    }
    if (std::string(argv[1]) == "compare") return argc > 4 ? run_compare(argv[2], argv[3], argv[4]) : 2;
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const int port = std::atoi(argv[1]);
    const int rc = std::string(argv[2]) == "--bench" ? run_bench(port, argc > 3 ? std::atof(argv[3]) : 10.0)
                                                     : run_contract(port, argv[2]);
    ::CoUninitialize();
    return rc;
}
