// A loaded library and the entry points resolved from it.
#pragma once

#include <string>

#include "platform/types.h"

class Dll {
public:
    /// Loads the library at `path`; throws MevError<SysError> when it cannot be loaded.
    explicit Dll(const std::string& path);

    struct FromSystemDirectory {};
    /// Loads `fileName` from the system directory.
    Dll(FromSystemDirectory, const std::string& fileName);

    ~Dll();
    Dll(const Dll&) = delete;
    Dll& operator=(const Dll&) = delete;

    platform::Module module() const { return module_; }
    /// The entry point `name`, or null when the library lacks it.
    void* find(const std::string& name) const;

private:
    platform::Module module_ = platform::Module::null;
};

/// Throws MevError<std::runtime_error> "function <name> is not available".
[[noreturn]] void throwFunctionNotAvailable(const std::string& name);

template <class Signature>
class DllFunction {
public:
    DllFunction(const Dll& dll, std::string name) : name_(std::move(name)), address_(dll.find(name_)) {}

    bool available() const { return address_ != nullptr; }
    const std::string& name() const { return name_; }

    /// The callable entry point; throws when the library lacks it.
    Signature* get() const {
        if (address_ == nullptr) throwFunctionNotAvailable(name_);
        return reinterpret_cast<Signature*>(address_);
    }
    operator Signature*() const { return get(); }

    template <class... Args>
    decltype(auto) operator()(Args&&... args) const {
        return get()(std::forward<Args>(args)...);
    }

private:
    std::string name_;
    void* address_;
};
