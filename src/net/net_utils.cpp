#include "net/net_utils.h"

#include "foundation/logger.h"
#include "foundation/product_sites.h"
#include "net/http_connection.h"
#include "net/network_bounds.h"
#include "platform/internet.h"
#include "platform/machine.h"

namespace NetUtils {

bool isConnected() {
    std::uint32_t flags = 0;
    if (platform::machine().internet().connectedState(flags) || (flags & platform::inet::connectionConfigured) != 0) {
        return true;
    }
    try {
        const auto status = net::within<std::uint32_t>(net::firstContactDeadlineMs, [](const auto& handles) {
            return HttpConnection(product::sites::connectionTest)
                .setAllowPlainHttp(true)
                .connect(false, handles)
                .status();
        });
        return status == 200 || status == 407;
    } catch (const HttpConnection::exception& e) {
        LOG_INFO("not connected: " << e.what());
    }
    return false;
}

}  // namespace NetUtils
