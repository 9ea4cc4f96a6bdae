// The container of the system's WebBrowser control: OLE client site, in-place site and frame, view
// advise sink, receiver of the browser's events and document-host UI handler. Pages reach the host
// through `window.external` (BrowserExternal); the host evaluates script in the page (execJScript).
#pragma once

#include <windows.h>
// <windows.h> comes first: the COM headers build on it.
#include <exdisp.h>
#include <mshtmhst.h>
#include <oleidl.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

#include "html_ui/win32/ui_thread.h"
#include "platform/html_window.h"

namespace ui {

/// An owned VARIANT, cleared when it goes.
class Variant {
public:
    Variant() { VariantInit(&value); }
    ~Variant() { VariantClear(&value); }
    Variant(Variant&& other) noexcept : value(other.value) { VariantInit(&other.value); }
    Variant& operator=(Variant&& other) noexcept;
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    VARIANT value;
};

/// The script value as text: empty for VT_EMPTY, booleans "True"/"False". A value that does not
/// convert throws std::runtime_error.
std::string variantText(const VARIANT& value);

// COM interfaces have no virtual destructor by design: an object is deleted by its own Release.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

class BrowserControl final : public IOleClientSite,
                             public IOleInPlaceSite,
                             public IOleInPlaceFrame,
                             public IAdviseSink,
                             public DWebBrowserEvents2,
                             public IDocHostUIHandler {
public:
    class BrowserExternal;

    /// Starts with one reference, which `destroy` gives back.
    BrowserControl();
    BrowserControl(const BrowserControl&) = delete;
    BrowserControl& operator=(const BrowserControl&) = delete;

    /// Embeds a new browser in `parent` at `rect` (client coordinates); false (logged) on failure.
    bool createControl(HWND parent, const RECT& rect);
    /// Detaches and releases the browser, then gives back the initial reference.
    void destroy();
    void setRect(const RECT& rect);
    void setFocus();
    /// The browser's own window, or null.
    HWND getObjectWnd();
    /// Sets the handler and navigates; failure throws std::runtime_error "webBrowser->Navigate failed".
    void openUrl(const std::wstring& url, WindowHandler& handler);
    /// Evaluates `script` in the page, on the UI thread.
    Variant execJScript(std::wstring_view script);
    /// Evaluates `script` on the calling thread, which must be the UI thread.
    Variant execJScriptUnsafe(std::wstring_view script);
    /// Connects (true) or disconnects (false) this object as the browser's event sink.
    bool adviseBrowser(bool advise);
    /// Offers a keyboard or mouse message to the browser; true when it consumed it.
    bool translateAccelerator(MSG& message);

    WindowHandler* handler() const { return handler_; }
    /// The handler that the page's calls and the browser's events reach (null: none).
    void setHandler(WindowHandler* handler) { handler_ = handler; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD whichMoniker, IMoniker** moniker) override;
    STDMETHODIMP GetContainer(IOleContainer** container) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // IOleWindow (the in-place site's and the frame's)
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override;
    STDMETHODIMP OnInPlaceActivate() override;
    STDMETHODIMP OnUIActivate() override;
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO frameInfo) override;
    STDMETHODIMP Scroll(SIZE extent) override;
    STDMETHODIMP OnUIDeactivate(BOOL undoable) override;
    STDMETHODIMP OnInPlaceDeactivate() override;
    STDMETHODIMP DiscardUndoState() override;
    STDMETHODIMP DeactivateAndUndo() override;
    STDMETHODIMP OnPosRectChange(LPCRECT position) override;

    // IOleInPlaceUIWindow and IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT border) override;
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* activeObject, LPCOLESTR name) override;
    STDMETHODIMP InsertMenus(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
    STDMETHODIMP SetMenu(HMENU shared, HOLEMENU descriptor, HWND activeObject) override;
    STDMETHODIMP RemoveMenus(HMENU shared) override;
    STDMETHODIMP SetStatusText(LPCOLESTR text) override;
    STDMETHODIMP EnableModeless(BOOL enable) override;  // also IDocHostUIHandler's
    STDMETHODIMP TranslateAccelerator(LPMSG message, WORD id) override;

    // IAdviseSink
    STDMETHODIMP_(void) OnDataChange(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP_(void) OnViewChange(DWORD aspect, LONG index) override;
    STDMETHODIMP_(void) OnRename(IMoniker* moniker) override;
    STDMETHODIMP_(void) OnSave() override;
    STDMETHODIMP_(void) OnClose() override;

    // IDispatch, as DWebBrowserEvents2
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) override;

    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD id, POINT* point, IUnknown* target, IDispatch* object) override;
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;
    STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* activeObject, IOleCommandTarget* commandTarget,
                        IOleInPlaceFrame* frame, IOleInPlaceUIWindow* document) override;
    STDMETHODIMP HideUI() override;
    STDMETHODIMP UpdateUI() override;
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override;
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override;
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override;
    STDMETHODIMP TranslateAccelerator(LPMSG message, const GUID* group, DWORD id) override;
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override;
    STDMETHODIMP GetDropTarget(IDropTarget* target, IDropTarget** replacement) override;
    STDMETHODIMP GetExternal(IDispatch** external) override;
    STDMETHODIMP TranslateUrl(DWORD translate, LPWSTR url, LPWSTR* translated) override;
    STDMETHODIMP FilterDataObject(IDataObject* object, IDataObject** replacement) override;

private:
    // Deleted by its last Release only.
    ~BrowserControl();

    void releaseBrowser();
    void onBrowserEvent(DISPID id, DISPPARAMS& parameters);

    HWND parent_ = nullptr;
    RECT rect_{};
    // The thread that last delivered a browser event: script evaluation from it needs no marshalling.
    std::atomic<DWORD> eventThread_{0};
    IWebBrowser2* webBrowser_ = nullptr;
    DWORD cookie_ = 0;
    bool isUIActivated_ = false;
    BrowserExternal* external_;
    WindowHandler* handler_ = nullptr;
    std::atomic<LONG> refCounter_{1};
    UIThread uiThread_;
};

/// `window.external`: the five host methods. Its references are its control's.
class BrowserControl::BrowserExternal final : public IDispatch {
public:
    explicit BrowserExternal(BrowserControl& owner) : owner_(owner) {}
    ~BrowserExternal() = default;
    BrowserExternal(const BrowserExternal&) = delete;
    BrowserExternal& operator=(const BrowserExternal&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return owner_.AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return owner_.Release(); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* parameters, VARIANT* result,
                        EXCEPINFO* exception, UINT* argumentError) override;

private:
    BrowserControl& owner_;
};

#pragma GCC diagnostic pop

}  // namespace ui
