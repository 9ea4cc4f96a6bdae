// deploy.dll: the runtime's deployment library, as far as the installer asks it about the user. The
// answers come from the current user's registry and every request is recorded there, so a test can seed
// the answers and read back what was asked:
//   HKCU\Software\Mendara\Zarn Deploy
//     PluginDisabled  DWORD  non-zero: the browser plug-in is disabled
//     DecisionsExist  DWORD  non-zero: the user has hidden security prompts (cleared by request 3)
//     Requests        SZ     one "<query>:<days>" per request, in order, separated by spaces
#include <windows.h>

#include <cwchar>
#include <string>

#include "driver/deploy_layout.h"

namespace {

constexpr wchar_t stateKey[] = L"Software\\Mendara\\Zarn Deploy";
constexpr wchar_t pluginDisabledValue[] = L"PluginDisabled";
constexpr wchar_t decisionsExistValue[] = L"DecisionsExist";
constexpr wchar_t requestsValue[] = L"Requests";

class StateKey {
public:
    StateKey() {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, stateKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key_,
                            nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~StateKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    StateKey(const StateKey&) = delete;
    StateKey& operator=(const StateKey&) = delete;

    bool open() const { return key_ != nullptr; }

    bool flag(const wchar_t* name) const {
        DWORD value = 0;
        DWORD size = sizeof value;
        DWORD type = 0;
        return RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
               type == REG_DWORD && value != 0;
    }

    bool setFlag(const wchar_t* name, DWORD value) const {
        return RegSetValueExW(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
               ERROR_SUCCESS;
    }

    bool record(int query, std::uint32_t days) const {
        std::wstring requests(4096, L'\0');
        DWORD size = static_cast<DWORD>(requests.size() * sizeof(wchar_t));
        DWORD type = 0;
        if (RegQueryValueExW(key_, requestsValue, nullptr, &type, reinterpret_cast<BYTE*>(requests.data()), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ) {
            size = 0;
        }
        requests.resize(size / sizeof(wchar_t));
        requests.resize(wcsnlen(requests.c_str(), requests.size()));
        if (!requests.empty()) requests += L' ';
        requests += std::to_wstring(query) + L':' + std::to_wstring(days);
        return RegSetValueExW(key_, requestsValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(requests.c_str()),
                              static_cast<DWORD>((requests.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
};

/// The query the request's flag words ask, or 0 unless exactly one is set.
int queryOf(const deploy::Request& request) {
    const std::uint32_t flags[] = {request.queryPluginStatus, request.queryPreviousDecisionsExist,
                                   request.clearPreviousDecisions, request.resetPreviousDecisions};
    int query = 0;
    for (int i = 0; i < 4; ++i) {
        if (flags[i] == 0) continue;
        if (query != 0) return 0;
        query = i + 1;
    }
    return query;
}

}  // namespace

extern "C" __declspec(dllexport) std::int32_t RegisterDeployEx(deploy::Request* request, deploy::Response* response) {
    if (request == nullptr || response == nullptr || response->elements == nullptr || response->count < 1 ||
        request->size != sizeof(deploy::Request)) {
        return 0;
    }
    const int query = queryOf(*request);
    if (query == 0) return 0;
    const StateKey state;
    std::int32_t& result = response->elements[0].result;
    if (!state.open() || !state.record(query, request->days)) {
        result = -1;
        return 1;
    }
    switch (static_cast<deploy::Query>(query)) {
        case deploy::Query::pluginStatus:
            result = state.flag(pluginDisabledValue) ? 0 : 1;
            break;
        case deploy::Query::previousDecisionsExist:
            result = state.flag(decisionsExistValue) ? 1 : 0;
            break;
        case deploy::Query::clearPreviousDecisions:
            result = state.setFlag(decisionsExistValue, 0) ? 1 : -1;
            break;
        case deploy::Query::resetPreviousDecisions:
            result = 1;
            break;
    }
    return 1;
}
