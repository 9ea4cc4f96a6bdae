#include "driver/deploy_library.h"

#include "foundation/errors.h"
#include "foundation/logger.h"
#include "foundation/tstrings_format.h"

namespace driver {

namespace {

constexpr const char* runtimeLibrary = "\\bin\\msvcr100.dll";
constexpr const char* deployLibrary = "\\bin\\deploy.dll";

/// Logs the reason in full and raises the short message the catch site reports.
[[noreturn]] void fail(const std::string& message, const std::string& reason) {
    LOG_ERROR(message << reason);
    throw DeployLibLoaderError(message);
}

const char* queryName(deploy::Query query) {
    switch (query) {
        case deploy::Query::pluginStatus: return "userWebZarnStatus";
        case deploy::Query::previousDecisionsExist: return "userPreviousDecisionsExist";
        case deploy::Query::clearPreviousDecisions: return "clearUserPreviousDecisions";
        case deploy::Query::resetPreviousDecisions: return "resetUserPreviousDecisions";
    }
    return "unknown";
}

deploy::Request requestFor(deploy::Query query, std::uint32_t days) {
    deploy::Request request;
    switch (query) {
        case deploy::Query::pluginStatus: request.queryPluginStatus = 1; break;
        case deploy::Query::previousDecisionsExist: request.queryPreviousDecisionsExist = 1; break;
        case deploy::Query::clearPreviousDecisions: request.clearPreviousDecisions = 1; break;
        case deploy::Query::resetPreviousDecisions: request.resetPreviousDecisions = 1; break;
    }
    request.days = days;
    return request;
}

}  // namespace

DeployLibLoader::DeployLibLoader(const std::string& home) {
    if (home.empty()) {
        LOG_ERROR("zarnHome is empty. Fail to load deploy lib.");
        throw DeployLibLoaderError("zarnHome is empty. Fail to load deploy lib");
    }
    const std::string path = home + deployLibrary;
    LOG_INFO("DeployLibLoader: zarnHome is " << home);
    LOG_INFO("DeployLib path is " << path);
    // Runtimes that link the C runtime dynamically ship it beside the library; others do not.
    try {
        runtime_.emplace(home + runtimeLibrary);
    } catch (const SysError&) {
    }
    try {
        library_.emplace(path);
    } catch (const SysError& e) {
        fail("Failed to load Deploy library", std::string(": ") + e.what());
    }
    registerDeployEx_ = reinterpret_cast<deploy::RegisterDeployEx>(library_->find(deploy::entryPoint));
    if (registerDeployEx_ == nullptr) fail("Failed to GetProcAddress(RegisterDeployEx)", "");
}

int DeployLibLoader::QueryDeployForUserStatus(deploy::Query query, std::uint32_t days) {
    deploy::Request request = requestFor(query, days);
    deploy::ResponseElement element;
    deploy::Response response;
    response.elements = &element;
    LOG_INFO("RegisterDeployEx: query " << queryName(query));
    LOG_INFO("Calling RegisterDeployEx...");
    if (registerDeployEx_(&request, &response) == 0) {
        LOG_ERROR("RegisterDeployEx call failed");
        return -1;
    }
    LOG_INFO(tstrings::format("RegisterDeployEx call returned query_res = %d ( 1 - yes/ok, 0 - no/(not found), -1 - "
                              "error during execution)",
                              static_cast<int>(element.result)));
    return element.result;
}

void DeployLibLoader::logResult(const char* name, bool result) {
    LOG_INFO("DeployLibLoader::" << name << (result ? "() succeed" : "() return false"));
}

}  // namespace driver
