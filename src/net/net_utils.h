// Whether the machine can reach the internet.
#pragma once

namespace NetUtils {

/// True when the system reports a connection, or a plain-HTTP request to the product's site answers
/// 200 or 407 within the first-contact deadline.
bool isConnected();

}  // namespace NetUtils
