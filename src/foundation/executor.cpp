#include "foundation/executor.h"

#include "foundation/errors.h"
#include "foundation/function_tracer.h"
#include "foundation/logger.h"
#include "foundation/path.h"
#include "foundation/sys_info.h"
#include "foundation/product_constants.h"
#include "foundation/tstrings_format.h"
#include "platform/machine.h"
#include "platform/win_errors.h"

namespace {

namespace err = platform::err;
namespace kernel = platform::kernel;

std::string_view trimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string unquoted(std::string_view text) {
    text = trimBlanks(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
    return std::string(text);
}

void logFailure(std::string_view what, platform::ErrorCode code) {
    LOG_ERROR(tstrings::format("%s failed with %s", std::string(what).c_str(),
                               WinErrorHandling::systemErrorText(code).c_str()));
}

}  // namespace

Executor::Executor(std::string_view applicationPath) : applicationPath_(unquoted(applicationPath)) {
    if (applicationPath_.empty()) {
        LOG_ERROR("Executor: applicationPath is empty");
        ZARN_THROW(ExecutorError, "applicationPath is empty");
    }
}

Executor::~Executor() { closeHandles(); }

std::string Executor::commandLineFor(std::string_view applicationPath, std::string_view args) {
    args = trimBlanks(args);
    if (args.empty()) return {};
    const auto at = args.find(applicationPath);
    if (at == 0) return std::string(args.substr(applicationPath.size()));
    if (at == 1 && args.front() == '"') return std::string(args);
    return " " + std::string(args);
}

Executor& Executor::setArgs(std::string_view args) {
    commandLine_ = commandLineFor(applicationPath_, args);
    return *this;
}

std::uint32_t Executor::exec() {
    if (!startExecution()) {
        logFailure("Executor.exec(): CreateProcess", lastError_);
        return lastError_;
    }
    return finishExecution();
}

bool Executor::startExecution() {
    LOG_INFO("Executor.exec(): " << commandLine_);
    startupInfo_ = {};
    closeHandles();
    if (hideWindow_ == 1) {
        startupInfo_.flags |= platform::proc::startfUseShowWindow;
        startupInfo_.showWindow = platform::proc::swHide;
        creationFlags_ = platform::proc::createNoWindow;
    }
    const auto e = platform::machine().processes().createProcess(applicationPath_, commandLine_, creationFlags_,
                                                                 startupInfo_, processInfo_);
    if (e != err::success) {
        lastError_ = e;
        processInfo_ = {};
    }
    started_ = e == err::success;
    return started_;
}

std::uint32_t Executor::finishExecution() {
    std::uint32_t status = 0;
    const platform::Handle process = processInfo_.process;
    if (process == platform::Handle::null || process == platform::Handle::invalid) {
        logFailure("Executor.finishExecution()", lastError_);
        return lastError_;
    }
    if (!wait_ && !pumpMessages_) {
        closeHandles();
        return 0;
    }
    auto& kernelPort = platform::machine().kernel();
    if (wait_) {
        platform::ErrorCode waitError = 0;
        const std::uint32_t result = kernelPort.waitForSingleObject(process, timeoutMs_, waitError);
        if (waitError != err::success) lastError_ = waitError;
        LOG_INFO("Executor.finishExecution(): WaitForSingleObject exited with code " << result);
        if (result == kernel::waitTimeout) {
            LOG_INFO("Executor.finishExecution(): The timeout is elapsed. Terminating Process.");
            if (const auto e = platform::machine().processes().terminateProcess(process, 1)) lastError_ = e;
            closeHandles();
            return err::waitTimeout;
        }
    } else {
        pumpUntilSignalled();
    }
    if (const auto e = platform::machine().processes().exitCodeProcess(process, status)) {
        lastError_ = e;
        logFailure("Executor.finishExecution(): GetExitCodeProcess()", e);
        status = e;
    }
    LOG_INFO("Executor.finishExecution(): ExitCode = " << status);
    if (status != 0) logFailure("Executor.finishExecution(): Process execution ", lastError_);
    closeHandles();
    return status;
}

void Executor::pumpUntilSignalled() {
    auto& processes = platform::machine().processes();
    auto& kernelPort = platform::machine().kernel();
    const platform::Handle process = processInfo_.process;
    for (;;) {
        platform::ErrorCode error = 0;
        const std::uint32_t result = processes.msgWaitForObject(process, kernel::infinite, platform::proc::qsAllInput,
                                                                platform::proc::mwmoInputAvailable, error);
        if (result != platform::proc::waitInput) {
            // Signalled, or a wait that cannot work: looping on a failed wait would spin for ever.
            if (result == kernel::waitFailed) lastError_ = error;
            return;
        }
        while (processes.dispatchOneMessage()) {
            platform::ErrorCode ignored = 0;
            if (kernelPort.waitForSingleObject(process, 0, ignored) == kernel::waitObject0) return;
        }
    }
}

void Executor::closeHandles() {
    auto& kernelPort = platform::machine().kernel();
    for (platform::Handle* h : {&processInfo_.process, &processInfo_.thread}) {
        if (*h != platform::Handle::null && *h != platform::Handle::invalid) kernelPort.closeHandle(*h);
        *h = platform::Handle::null;
    }
}

std::uint32_t Executor::ExecProcess(std::string_view applicationPath, std::string_view args) {
    try {
        Executor executor(applicationPath);
        executor.setArgs(args);
        return executor.exec();
    } catch (const Executor::ExecutorError& e) {
        LOG_ERROR("ExecutorError in Executor::ExecProcess " << e.what());
        return exec::executorFailure;
    }
}

std::uint32_t Executor::ExecProcessWaitForFinish(std::string_view applicationPath, std::string_view args,
                                                 std::uint32_t hideWindow) {
    try {
        Executor executor(applicationPath);
        executor.setArgs(args).setHideWindow(hideWindow).setWait(true).setTimeout(kernel::infinite);
        return executor.exec();
    } catch (const Executor::ExecutorError& e) {
        LOG_ERROR("ExecutorError in Executor::ExecProcessWaitForFinish " << e.what());
        return exec::executorFailure;
    }
}

std::uint32_t Executor::ExecProcessWithAtlMessageLoop(std::string_view applicationPath, std::string_view args) {
    try {
        Executor executor(applicationPath);
        executor.setArgs(args).setPumpMessages(true);
        return executor.exec();
    } catch (const Executor::ExecutorError& e) {
        LOG_ERROR("ExecutorError in Executor::ExecProcessWithAtlMessageLoop " << e.what());
        return exec::executorFailure;
    }
}

namespace {

/// Writes the temporary shell link; 0 or the error to report.
platform::ErrorCode writeTempLink(std::string_view applicationPath, std::string_view args, const std::string& link) {
    platform::ShellLinkStep failed = platform::ShellLinkStep::none;
    const std::int32_t hr = platform::machine().processes().createShellLink(applicationPath, args, link, failed);
    if (failed == platform::ShellLinkStep::none) return err::success;
    const std::string path(applicationPath);
    switch (failed) {
        case platform::ShellLinkStep::createInstance:
            LOG_ERROR("CreateShortCutItem() - pZarnShortCutItem.CoCreateInstance call failed");
            break;
        case platform::ShellLinkStep::setPath:
            LOG_ERROR(tstrings::format("%s failed with %s",
                                       ("ExecProcessAsDesktopUser: pZarnShortCutItem->SetPath(" + path + ") call").c_str(),
                                       WinErrorHandling::comErrorText(hr).c_str()));
            break;
        case platform::ShellLinkStep::setArguments:
            LOG_ERROR(tstrings::format(
                "%s failed with %s",
                ("ExecProcessAsDesktopUser: pZarnShortCutItem->SetArguments(" + std::string(args) + ") call").c_str(),
                WinErrorHandling::comErrorText(hr).c_str()));
            break;
        case platform::ShellLinkStep::queryPersistFile:
            LOG_ERROR("CreateShortCutItem() - pZarnShortCutItem->QueryInterface call failed");
            break;
        case platform::ShellLinkStep::save:
        case platform::ShellLinkStep::none:
            LOG_ERROR("CreateShortCutItem() - pZarnShortCutItemFile->Save call failed");
            break;
    }
    // A wrapped Win32 error is reported as itself; any other HRESULT as it is.
    const auto bits = static_cast<std::uint32_t>(hr);
    return (bits & 0xFFFF0000u) == 0x80070000u ? (bits & 0xFFFFu) : bits;
}

}  // namespace

std::uint32_t Executor::ExecProcessAsDesktopUser(std::string_view applicationPath, std::string_view args) {
    TRACE_FUNCTION("");
    const std::string app = unquoted(applicationPath);
    if (app.empty()) {
        LOG_ERROR("ExecProcessAsDesktopUser: appPath is empty");
        return exec::executorFailure;
    }
    auto& files = platform::machine().fileSystem();
    std::string shell;
    std::string tempDir;
    try {
        shell = path::join(SysInfo::isWow64() ? SysInfo::getSystem32Dir() : SysInfo::getWindowsDir(),
                           exec::shellProgram);
        const std::string maker = path::join(SysInfo::getCommonAppDataDir(), product::makerFolder);
        files.createDirectory(maker);
        tempDir = path::join(maker, exec::tempLinkDirectory);
        files.createDirectory(tempDir);
    } catch (const std::runtime_error& e) {
        LOG_ERROR("ExecProcessAsDesktopUser: " << e.what());
    }
    const std::string link = path::join(tempDir, exec::tempLinkName);

    std::uint32_t result = 0;
    if (const auto linkError = writeTempLink(app, args, link)) {
        result = linkError;
        logFailure("ExecProcessAsDesktopUser failed to create temporary shortcut", result);
    } else {
        try {
            Executor executor(shell);
            executor.setArgs(link).setWait(true).setTimeout(kernel::infinite);
            const std::uint32_t status = executor.exec();
            if (!executor.started()) {
                result = status;
                logFailure("ExecProcessAsDesktopUser: Executor.exec()", result);
            }
        } catch (const Executor::ExecutorError& e) {
            LOG_ERROR("ExecutorError in Executor::ExecProcessAsDesktopUser " << e.what());
            result = exec::executorFailure;
        }
        files.deleteFile(link);
    }
    // The link directory goes whether or not the link was written: nothing of the run stays behind.
    if (!tempDir.empty()) files.removeDirectory(tempDir);
    return result;
}
