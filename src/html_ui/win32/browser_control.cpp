#include "html_ui/win32/browser_control.h"

#include <exdispid.h>
#include <mshtml.h>
#include <wrl/client.h>

#include <stdexcept>
#include <vector>

#include "foundation/catch_handlers.h"
#include "html_ui/external_calls.h"
#include "html_ui/win32/failure_log.h"
#include "platform/win32/wide.h"

#define NOT_IMPLEMENTED()             \
    do {                              \
        LOG_TRACE("NOT_IMPLEMENTED"); \
        return E_NOTIMPL;             \
    } while (false)

namespace ui {

using Microsoft::WRL::ComPtr;
using platform::win32::narrow;
using platform::win32::widen;

namespace {

/// A BSTR that is freed when it goes.
class Bstr {
public:
    explicit Bstr(std::wstring_view text) : value_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
        if (value_ == nullptr && !text.empty()) throw std::bad_alloc();
    }
    ~Bstr() { SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return value_; }
    BSTR release() { return std::exchange(value_, nullptr); }

private:
    BSTR value_;
};

HRESULT toText(const VARIANT& value, std::string& out) {
    Variant text;
    const HRESULT hr = VariantChangeType(&text.value, const_cast<VARIANT*>(&value), VARIANT_ALPHABOOL, VT_BSTR);
    if (FAILED(hr)) return hr;
    out = narrow(std::wstring_view(text.value.bstrVal, SysStringLen(text.value.bstrVal)));
    return S_OK;
}

const VARIANT& dereferenced(const VARIANT& value) {
    if (value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal != nullptr) return *value.pvarVal;
    return value;
}

/// The argument at `index` (below `cArgs`) in call order: the dispatch parameters hold them last first.
VARIANT& inCallOrder(DISPPARAMS& parameters, UINT index) { return parameters.rgvarg[parameters.cArgs - 1 - index]; }

/// The argument at `index` in call order, or null.
VARIANT* argument(DISPPARAMS& parameters, UINT index) {
    if (parameters.rgvarg == nullptr || index >= parameters.cArgs) return nullptr;
    return &inCallOrder(parameters, index);
}

/// An event's parameters for the log, in call order: objects as their address, the rest as text.
std::string renderParameters(DISPPARAMS& parameters) {
    std::string out;
    for (UINT i = 0; parameters.rgvarg != nullptr && i < parameters.cArgs; ++i) {
        const VARIANT& value = dereferenced(inCallOrder(parameters, i));
        std::string text;
        if (value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN) {
            text = formatPointer(reinterpret_cast<std::uintptr_t>(value.punkVal));
        } else if (value.vt == (VT_BYREF | VT_BOOL) && value.pboolVal != nullptr) {
            text = *value.pboolVal != VARIANT_FALSE ? "True" : "False";
        } else if (FAILED(toText(value, text))) {
            text = "<type " + std::to_string(value.vt) + ">";
        }
        if (i > 0) out += ", ";
        out += text;
    }
    return out;
}

void setCancel(VARIANT* cancel) {
    if (cancel != nullptr && cancel->vt == (VT_BYREF | VT_BOOL) && cancel->pboolVal != nullptr) {
        *cancel->pboolVal = VARIANT_TRUE;
    }
}

std::string textArgument(DISPPARAMS& parameters, UINT index) {
    std::string text;
    if (const VARIANT* value = argument(parameters, index)) {
        if (FAILED(toText(dereferenced(*value), text))) text.clear();
    }
    return text;
}

std::int32_t statusArgument(DISPPARAMS& parameters, UINT index) {
    const VARIANT* value = argument(parameters, index);
    if (value == nullptr) return 0;
    Variant status;
    if (FAILED(VariantChangeType(&status.value, const_cast<VARIANT*>(&dereferenced(*value)), 0, VT_I4))) return 0;
    return status.value.lVal;
}

struct BrowserEvent {
    DISPID id;
    const char* prefix;
    LogLevel level;
};

constexpr BrowserEvent browserEvents[] = {
    {DISPID_BEFORENAVIGATE2, "DISPID_BEFORENAVIGATE2: ", logTrace},
    {DISPID_NAVIGATECOMPLETE2, "DISPID_NAVIGATECOMPLETE2: ", logTrace},
    {DISPID_ONVISIBLE, "DISPID_ONVISIBLE: ", logTrace},
    {DISPID_DOCUMENTCOMPLETE, "DISPID_DOCUMENTCOMPLETE: ", logTrace},
    {DISPID_WINDOWCLOSING, "DISPID_WINDOWCLOSING: ", logTrace},
    {DISPID_CLIENTTOHOSTWINDOW, "DISPID_CLIENTTOHOSTWINDOW: ", logTrace},
    {DISPID_NAVIGATEERROR, "DISPID_NAVIGATEERROR: ", logError},
    {DISPID_NEWWINDOW3, "DISPID_NEWWINDOW3: ", logTrace},
    {1002, "DISPID_HTMLWINDOWEVENTS_ONERROR: ", logError},
    {-609, "DISPID_HTMLDOCUMENTEVENTS_ONREADYSTATECHANGE: ", logTrace},
    {DISPID_WINDOWRESIZE, "DISPID_WINDOWRESIZE: ", logTrace},
    {DISPID_WINDOWACTIVATE, "DISPID_WINDOWACTIVATE: ", logTrace},
    {DISPID_TITLECHANGE, "onTitleChange: ", logTrace},
    {DISPID_FRAMEBEFORENAVIGATE, "DISPID_FRAMEBEFORENAVIGATE: ", logTrace},
    {DISPID_FRAMENAVIGATECOMPLETE, "DISPID_FRAMENAVIGATECOMPLETE: ", logTrace},
    {DISPID_FRAMENEWWINDOW, "DISPID_FRAMENEWWINDOW: ", logTrace},
};

/// Script evaluation handed to the UI thread from another thread.
class ExecJScriptAction final : public ipc::Runnable {
public:
    ExecJScriptAction(BrowserControl& control, std::wstring_view script) : control_(control), script_(script) {}
    void run() override { result = control_.execJScriptUnsafe(script_); }
    Variant result;

private:
    BrowserControl& control_;
    std::wstring_view script_;
};

}  // namespace

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        VariantClear(&value);
        value = other.value;
        VariantInit(&other.value);
    }
    return *this;
}

std::string variantText(const VARIANT& value) {
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) return {};
    std::string text;
    if (const HRESULT hr = toText(value, text); FAILED(hr)) {
        throw std::runtime_error("script value of type " + std::to_string(value.vt) +
                                 " has no text: " + WinErrorHandling::comErrorText(hr));
    }
    return text;
}

BrowserControl::BrowserControl() : external_(new BrowserExternal(*this)) {}

BrowserControl::~BrowserControl() { delete external_; }

bool BrowserControl::createControl(HWND parent, const RECT& rect) {
    parent_ = parent;
    rect_ = rect;
    releaseBrowser();

    ComPtr<IUnknown> unknown;
    HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&unknown));
    if (SUCCEEDED(hr)) hr = OleRun(unknown.Get());
    if (SUCCEEDED(hr)) hr = unknown->QueryInterface(IID_PPV_ARGS(&webBrowser_));
    if (FAILED(hr)) {
        LOG_COM_FAILURE("CreateInstance", hr);
        return false;
    }

    ComPtr<IOleObject> oleObject;
    if (FAILED(webBrowser_->QueryInterface(IID_PPV_ARGS(&oleObject)))) {
        LOG_ERROR("webBrowser -> OleObject");
        return false;
    }
    if (hr = oleObject->SetClientSite(this); FAILED(hr)) {
        LOG_COM_FAILURE("OleObject->SetClientSite", hr);
        return false;
    }
    oleObject->SetHostNames(L"containerApp", L"containerObj");
    if (hr = OleSetContainedObject(webBrowser_, TRUE); FAILED(hr)) {
        LOG_COM_FAILURE("OleSetContainedObject", hr);
        return false;
    }
    ComPtr<IViewObject> viewObject;
    hr = webBrowser_->QueryInterface(IID_PPV_ARGS(&viewObject));
    if (SUCCEEDED(hr)) hr = viewObject->SetAdvise(DVASPECT_CONTENT, 0, this);
    if (FAILED(hr)) {
        LOG_COM_FAILURE("viewObject->SetAdvise", hr);
        return false;
    }
    if (hr = oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, parent_, &rect_); FAILED(hr)) {
        LOG_COM_FAILURE("DoVerb(OLEIVERB_INPLACEACTIVATE)", hr);
        return false;
    }
    if (!adviseBrowser(true)) return false;

    // No browser chrome: the page is the whole dialog.
    webBrowser_->put_MenuBar(VARIANT_FALSE);
    webBrowser_->put_AddressBar(VARIANT_FALSE);
    webBrowser_->put_StatusBar(VARIANT_FALSE);
    webBrowser_->put_ToolBar(VARIANT_FALSE);
    webBrowser_->put_RegisterAsBrowser(VARIANT_FALSE);
    webBrowser_->put_RegisterAsDropTarget(VARIANT_FALSE);
    webBrowser_->put_Visible(VARIANT_TRUE);
    return true;
}

void BrowserControl::destroy() {
    handler_ = nullptr;
    parent_ = nullptr;
    LOG_TRACE(">>BrowserControl::destroy, ref=" << refCounter_.load());
    if (webBrowser_ != nullptr) {
        ComPtr<IOleObject> oleObject;
        if (SUCCEEDED(webBrowser_->QueryInterface(IID_PPV_ARGS(&oleObject)))) {
            oleObject->Close(OLECLOSE_NOSAVE);
            oleObject->SetClientSite(nullptr);
        }
        // The view keeps its sink until told otherwise.
        ComPtr<IViewObject> viewObject;
        if (SUCCEEDED(webBrowser_->QueryInterface(IID_PPV_ARGS(&viewObject)))) {
            viewObject->SetAdvise(DVASPECT_CONTENT, 0, nullptr);
        }
        adviseBrowser(false);
        releaseBrowser();
    }
    LOG_TRACE("<<BrowserControl::destroy, ref=" << refCounter_.load());
    Release();
}

void BrowserControl::releaseBrowser() {
    if (webBrowser_ != nullptr) std::exchange(webBrowser_, nullptr)->Release();
}

void BrowserControl::setRect(const RECT& rect) {
    rect_ = rect;
    if (webBrowser_ == nullptr) return;
    ComPtr<IOleInPlaceObject> inPlace;
    HRESULT hr = webBrowser_->QueryInterface(IID_PPV_ARGS(&inPlace));
    if (SUCCEEDED(hr)) hr = inPlace->SetObjectRects(&rect_, &rect_);
    if (FAILED(hr)) LOG_COM_FAILURE("SetObjectRects", hr);
}

void BrowserControl::setFocus() {
    LOG_TRACE("setFocus, isUIActivated=" << isUIActivated_);
    if (webBrowser_ == nullptr) return;
    if (!isUIActivated_) {
        ComPtr<IOleObject> oleObject;
        if (FAILED(webBrowser_->QueryInterface(IID_PPV_ARGS(&oleObject)))) {
            LOG_ERROR("cannot get OleObject");
        } else if (const HRESULT hr = oleObject->DoVerb(OLEIVERB_UIACTIVATE, nullptr, this, 0, parent_, &rect_);
                   FAILED(hr)) {
            LOG_COM_FAILURE("DoVerb(OLEIVERB_UIACTIVATE)", hr);
        }
    }
    ComPtr<IOleInPlaceActiveObject> active;
    if (SUCCEEDED(webBrowser_->QueryInterface(IID_PPV_ARGS(&active)))) active->OnFrameWindowActivate(TRUE);
    const HWND objectWindow = getObjectWnd();
    const HWND focused = GetFocus();
    LOG_TRACE("parent: " << formatPointer(reinterpret_cast<std::uintptr_t>(parent_))
                         << ", objectWnd: " << formatPointer(reinterpret_cast<std::uintptr_t>(objectWindow))
                         << ", focusedWnd: " << formatPointer(reinterpret_cast<std::uintptr_t>(focused)));
    if (objectWindow != nullptr && focused != objectWindow && !IsChild(objectWindow, focused)) SetFocus(objectWindow);
}

HWND BrowserControl::getObjectWnd() {
    HWND window = nullptr;
    ComPtr<IOleWindow> oleWindow;
    if (webBrowser_ != nullptr && SUCCEEDED(webBrowser_->QueryInterface(IID_PPV_ARGS(&oleWindow)))) {
        oleWindow->GetWindow(&window);
    }
    return window;
}

void BrowserControl::openUrl(const std::wstring& url, WindowHandler& handler) {
    if (webBrowser_ == nullptr) throw std::logic_error("object is not created");
    handler_ = &handler;
    VARIANT flags;
    VariantInit(&flags);
    flags.vt = VT_I4;
    flags.lVal = navNoHistory;
    VARIANT none;
    VariantInit(&none);
    const Bstr address(url);
    if (const HRESULT hr = webBrowser_->Navigate(address.get(), &flags, &none, &none, &none); FAILED(hr)) {
        handler_ = nullptr;
        LOG_COM_FAILURE("Navigate", hr);
        throw std::runtime_error("webBrowser->Navigate failed");
    }
}

Variant BrowserControl::execJScript(std::wstring_view script) {
    const DWORD current = GetCurrentThreadId();
    if (current != GetWindowThreadProcessId(parent_, nullptr) && current != eventThread_.load()) {
        ExecJScriptAction action(*this, script);
        uiThread_.execute(&action);
        return std::move(action.result);
    }
    return execJScriptUnsafe(script);
}

Variant BrowserControl::execJScriptUnsafe(std::wstring_view script) {
    if (webBrowser_ == nullptr) throw std::logic_error("object is not created");
    const auto fail = [](const char* what, HRESULT hr) {
        LOG_COM_FAILURE(what, hr);
        throw std::runtime_error("JScript execution error");
    };
    ComPtr<IDispatch> documentDispatch;
    HRESULT hr = webBrowser_->get_Document(&documentDispatch);
    // No document yet is a failure too, though the call says S_OK.
    if (FAILED(hr) || documentDispatch == nullptr) fail("webBrowser->getDocument(Disp)", FAILED(hr) ? hr : E_POINTER);
    ComPtr<IHTMLDocument> document;
    if (hr = documentDispatch.As(&document); FAILED(hr)) fail("webBrowser->getDocument(HTMLDoc)", hr);
    ComPtr<IDispatch> scriptObject;
    hr = document->get_Script(&scriptObject);
    if (FAILED(hr) || scriptObject == nullptr) fail("doc->getScript()", FAILED(hr) ? hr : E_POINTER);
    wchar_t evalName[] = L"eval";
    LPOLESTR names[] = {evalName};
    DISPID eval = DISPID_UNKNOWN;
    if (hr = scriptObject->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &eval); FAILED(hr)) {
        fail("script->getIDsOfNames", hr);
    }
    VARIANT text;
    VariantInit(&text);
    const Bstr code(script);
    text.vt = VT_BSTR;
    text.bstrVal = code.get();
    DISPPARAMS parameters{&text, nullptr, 1, 0};
    Variant result;
    hr = scriptObject->Invoke(eval, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &parameters, &result.value,
                              nullptr, nullptr);
    if (FAILED(hr)) fail("script->Invoke", hr);
    return result;
}

bool BrowserControl::adviseBrowser(bool advise) {
    if (webBrowser_ == nullptr) return false;
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(webBrowser_->QueryInterface(IID_PPV_ARGS(&container)))) {
        LOG_ERROR("cannot get CP container");
        return false;
    }
    ComPtr<IConnectionPoint> point;
    if (const HRESULT hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point); FAILED(hr)) {
        LOG_COM_FAILURE("FindConnectionPoint", hr);
        return false;
    }
    if (advise) {
        if (const HRESULT hr = point->Advise(static_cast<DWebBrowserEvents2*>(this), &cookie_); FAILED(hr)) {
            LOG_COM_FAILURE("Advise", hr);
            return false;
        }
    } else {
        const HRESULT hr = point->Unadvise(cookie_);
        cookie_ = 0;
        if (FAILED(hr)) {
            LOG_COM_FAILURE("Unadvise", hr);
            return false;
        }
    }
    return true;
}

bool BrowserControl::translateAccelerator(MSG& message) {
    ComPtr<IOleInPlaceActiveObject> active;
    if (webBrowser_ == nullptr || FAILED(webBrowser_->QueryInterface(IID_PPV_ARGS(&active)))) return false;
    return active->TranslateAccelerator(&message) == S_OK;
}

// ---- IUnknown ----

STDMETHODIMP BrowserControl::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
        *object = static_cast<IOleInPlaceSite*>(this);
    } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
        *object = static_cast<IOleInPlaceFrame*>(this);
    } else if (iid == IID_IAdviseSink) {
        *object = static_cast<IAdviseSink*>(this);
    } else if (iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
        *object = static_cast<DWebBrowserEvents2*>(this);
    } else if (iid == IID_IDocHostUIHandler) {
        *object = static_cast<IDocHostUIHandler*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) BrowserControl::AddRef() { return static_cast<ULONG>(++refCounter_); }

STDMETHODIMP_(ULONG) BrowserControl::Release() {
    const LONG count = --refCounter_;
    if (count == 0) {
        LOG_TRACE("refCounter is 0, deleting this");
        delete this;
    }
    return static_cast<ULONG>(count);
}

// ---- IOleClientSite ----

STDMETHODIMP BrowserControl::SaveObject() { NOT_IMPLEMENTED(); }
STDMETHODIMP BrowserControl::GetMoniker(DWORD, DWORD, IMoniker** moniker) {
    if (moniker != nullptr) *moniker = nullptr;
    NOT_IMPLEMENTED();
}
STDMETHODIMP BrowserControl::GetContainer(IOleContainer** container) {
    if (container != nullptr) *container = nullptr;
    return E_NOINTERFACE;
}
STDMETHODIMP BrowserControl::ShowObject() { return S_OK; }
STDMETHODIMP BrowserControl::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP BrowserControl::RequestNewObjectLayout() { NOT_IMPLEMENTED(); }

// ---- IOleWindow ----

STDMETHODIMP BrowserControl::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = parent_;
    return S_OK;
}
STDMETHODIMP BrowserControl::ContextSensitiveHelp(BOOL) { NOT_IMPLEMENTED(); }

// ---- IOleInPlaceSite ----

STDMETHODIMP BrowserControl::CanInPlaceActivate() {
    LOG_TRACE("CanInPlaceActivate");
    return S_OK;
}
STDMETHODIMP BrowserControl::OnInPlaceActivate() {
    LOG_TRACE("OnInPlaceActivate");
    return S_OK;
}
STDMETHODIMP BrowserControl::OnUIActivate() {
    LOG_TRACE("OnUIActivate, isUIActivated was " << isUIActivated_);
    isUIActivated_ = true;
    return S_OK;
}
STDMETHODIMP BrowserControl::GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                              LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) {
    if (frame == nullptr || document == nullptr || position == nullptr || clip == nullptr || frameInfo == nullptr) {
        return E_POINTER;
    }
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;
    *position = rect_;
    *clip = rect_;
    frameInfo->fMDIApp = FALSE;
    frameInfo->hwndFrame = parent_;
    frameInfo->haccel = nullptr;
    frameInfo->cAccelEntries = 0;
    return S_OK;
}
STDMETHODIMP BrowserControl::Scroll(SIZE) { NOT_IMPLEMENTED(); }
STDMETHODIMP BrowserControl::OnUIDeactivate(BOOL) {
    LOG_TRACE("OnUIDeactivate, isUIActivated was " << isUIActivated_);
    isUIActivated_ = false;
    return S_OK;
}
STDMETHODIMP BrowserControl::OnInPlaceDeactivate() {
    LOG_TRACE("OnInPlaceDeactivate");
    return S_OK;
}
STDMETHODIMP BrowserControl::DiscardUndoState() { NOT_IMPLEMENTED(); }
STDMETHODIMP BrowserControl::DeactivateAndUndo() { NOT_IMPLEMENTED(); }
STDMETHODIMP BrowserControl::OnPosRectChange(LPCRECT) { NOT_IMPLEMENTED(); }

// ---- IOleInPlaceUIWindow and IOleInPlaceFrame ----

STDMETHODIMP BrowserControl::GetBorder(LPRECT) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP BrowserControl::RequestBorderSpace(LPCBORDERWIDTHS) { return INPLACE_E_NOTOOLSPACE; }
STDMETHODIMP BrowserControl::SetBorderSpace(LPCBORDERWIDTHS) { return S_OK; }
STDMETHODIMP BrowserControl::SetActiveObject(IOleInPlaceActiveObject* activeObject, LPCOLESTR) {
    LOG_TRACE("ActiveObject: " << (activeObject != nullptr ? "not-null" : "NULL"));
    return S_OK;
}
STDMETHODIMP BrowserControl::InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) { return S_OK; }
STDMETHODIMP BrowserControl::SetMenu(HMENU, HOLEMENU, HWND) { return S_OK; }
STDMETHODIMP BrowserControl::RemoveMenus(HMENU) { return S_OK; }
STDMETHODIMP BrowserControl::SetStatusText(LPCOLESTR) { return S_OK; }
STDMETHODIMP BrowserControl::EnableModeless(BOOL) { return S_OK; }
STDMETHODIMP BrowserControl::TranslateAccelerator(LPMSG, WORD) { return S_FALSE; }

// ---- IAdviseSink ----

STDMETHODIMP_(void) BrowserControl::OnDataChange(FORMATETC*, STGMEDIUM*) {}
STDMETHODIMP_(void) BrowserControl::OnViewChange(DWORD, LONG) {}
STDMETHODIMP_(void) BrowserControl::OnRename(IMoniker*) {}
STDMETHODIMP_(void) BrowserControl::OnSave() {}
STDMETHODIMP_(void) BrowserControl::OnClose() {}

// ---- DWebBrowserEvents2 ----

STDMETHODIMP BrowserControl::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}
STDMETHODIMP BrowserControl::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP BrowserControl::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

STDMETHODIMP BrowserControl::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                                    UINT*) {
    eventThread_.exchange(GetCurrentThreadId());
    try {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        onBrowserEvent(id, parameters != nullptr ? *parameters : none);
    }
    ZARN_CATCH_ALL
    return S_OK;
}

void BrowserControl::onBrowserEvent(DISPID id, DISPPARAMS& parameters) {
    for (const BrowserEvent& event : browserEvents) {
        if (event.id == id) ZARN_LOG(event.level, event.prefix << renderParameters(parameters));
    }
    switch (id) {
        case DISPID_BEFORENAVIGATE2:
            // (browser, URL, flags, target frame, post data, headers, cancel)
            if (browser_events::beforeNavigate(textArgument(parameters, 1))) setCancel(argument(parameters, 6));
            break;
        case DISPID_DOCUMENTCOMPLETE:
            browser_events::documentComplete(handler_);
            break;
        case DISPID_NAVIGATEERROR:
            // (browser, URL, frame, status code, cancel): no error page, the dialog reports it.
            setCancel(argument(parameters, 4));
            browser_events::navigateError(handler_, statusArgument(parameters, 3));
            break;
        default:
            break;
    }
}

// ---- IDocHostUIHandler ----

STDMETHODIMP BrowserControl::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_OK; }
STDMETHODIMP BrowserControl::GetHostInfo(DOCHOSTUIINFO* info) {
    if (info == nullptr) return E_POINTER;
    info->dwFlags = DOCHOSTUIFLAG_DIALOG | DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_THEME;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}
STDMETHODIMP BrowserControl::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                    IOleInPlaceUIWindow*) {
    return S_OK;
}
STDMETHODIMP BrowserControl::HideUI() { return S_OK; }
STDMETHODIMP BrowserControl::UpdateUI() { return S_OK; }
STDMETHODIMP BrowserControl::OnDocWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP BrowserControl::OnFrameWindowActivate(BOOL) { return S_OK; }
STDMETHODIMP BrowserControl::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
STDMETHODIMP BrowserControl::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }
STDMETHODIMP BrowserControl::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key != nullptr) *key = nullptr;
    return S_FALSE;
}
STDMETHODIMP BrowserControl::GetDropTarget(IDropTarget*, IDropTarget** replacement) {
    if (replacement != nullptr) *replacement = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP BrowserControl::GetExternal(IDispatch** external) {
    if (external == nullptr) return E_POINTER;
    *external = external_;
    external_->AddRef();
    return S_OK;
}
STDMETHODIMP BrowserControl::TranslateUrl(DWORD, LPWSTR, LPWSTR* translated) {
    if (translated != nullptr) *translated = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP BrowserControl::FilterDataObject(IDataObject*, IDataObject** replacement) {
    if (replacement != nullptr) *replacement = nullptr;
    return E_NOTIMPL;
}

// ---- BrowserExternal ----

STDMETHODIMP BrowserControl::BrowserExternal::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IDispatch) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP BrowserControl::BrowserExternal::GetTypeInfoCount(UINT* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

STDMETHODIMP BrowserControl::BrowserExternal::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BrowserControl::BrowserExternal::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (names == nullptr || ids == nullptr) return E_POINTER;
    HRESULT result = S_OK;
    try {
        for (UINT i = 0; i < count; ++i) {
            ids[i] = external::dispatchId(narrow(names[i] != nullptr ? names[i] : L""));
            if (ids[i] == external::unknownName) result = DISP_E_UNKNOWNNAME;
        }
    }
    ZARN_CATCH_ALL
    return result;
}

STDMETHODIMP BrowserControl::BrowserExternal::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                                     VARIANT* result, EXCEPINFO*, UINT* argumentError) {
    if ((flags & DISPATCH_METHOD) == 0) return E_FAIL;
    if (id < external::firstId || id > external::lastId) return DISP_E_MEMBERNOTFOUND;
    if (parameters != nullptr && parameters->cNamedArgs > 0) return DISP_E_NONAMEDARGS;
    // Bridge errors stay on this side: the page's call always returns.
    try {
        std::vector<std::string> arguments;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        DISPPARAMS& given = parameters != nullptr ? *parameters : none;
        for (UINT i = 0; given.rgvarg != nullptr && i < given.cArgs; ++i) {
            std::string text;
            if (FAILED(toText(inCallOrder(given, i), text))) {
                if (argumentError != nullptr) *argumentError = i;
                return DISP_E_TYPEMISMATCH;
            }
            arguments.push_back(std::move(text));
        }
        const std::optional<std::string> value = external::invoke(id, arguments, owner_.handler());
        if (value && result != nullptr) {
            Bstr text(widen(*value));
            VariantInit(result);
            result->vt = VT_BSTR;
            result->bstrVal = text.release();
        }
    }
    ZARN_CATCH_ALL
    return S_OK;
}

}  // namespace ui
