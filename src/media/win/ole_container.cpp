#include "media/win/ole_container.h"

#include <utility>

namespace lumora::win {

// The control's client site, in-place site and in-place frame in one
// object. The control keeps references to it for as long as it likes, so
// it holds no pointer into its owner: only the window and the control,
// both cleared by Detach.
class OleControlSite final : public IOleClientSite, public IOleInPlaceSiteEx, public IOleInPlaceFrame {
 public:
  OleControlSite(HWND window, const RECT& bounds) : window_(window), bounds_(bounds) {}

  void Attach(IOleObject* control) { control_ = control; }
  void Detach() {
    control_ = nullptr;
    window_ = nullptr;
  }
  const RECT& Bounds() const { return bounds_; }
  void SetBounds(const RECT& bounds) {
    bounds_ = bounds;
    if (!control_) return;
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(control_->QueryInterface(IID_PPV_ARGS(&inPlace)))) inPlace->SetObjectRects(&bounds_, &bounds_);
  }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IOleClientSite)) {
      *object = static_cast<IOleClientSite*>(this);
    } else if (iid == __uuidof(IOleWindow) || iid == __uuidof(IOleInPlaceSite) || iid == __uuidof(IOleInPlaceSiteEx)) {
      *object = static_cast<IOleInPlaceSiteEx*>(this);
    } else if (iid == __uuidof(IOleInPlaceUIWindow) || iid == __uuidof(IOleInPlaceFrame)) {
      *object = static_cast<IOleInPlaceFrame*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IOleClientSite: nothing to save, no moniker, no container document.
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, for both the site and the frame: our form's window.
  STDMETHODIMP GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite and IOleInPlaceSiteEx (which some controls insist on):
  // always windowed, redrawn as the control likes.
  STDMETHODIMP CanInPlaceActivate() override { return window_ ? S_OK : S_FALSE; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                RECT* clip, OLEINPLACEFRAMEINFO* info) override {
    if (!frame || !document || !position || !clip || !info) return E_POINTER;
    *frame = static_cast<IOleInPlaceFrame*>(this);
    AddRef();
    *document = nullptr;  // the frame is the only UI window
    *position = bounds_;
    *clip = bounds_;
    info->cb = sizeof *info;
    info->fMDIApp = FALSE;
    info->hwndFrame = window_;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivateEx(BOOL* noRedraw, DWORD) override {
    if (noRedraw) *noRedraw = FALSE;
    return S_OK;
  }
  STDMETHODIMP OnInPlaceDeactivateEx(BOOL) override { return S_OK; }
  STDMETHODIMP RequestUIActivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return S_OK; }
  STDMETHODIMP DeactivateAndUndo() override {
    if (!control_) return S_OK;
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(control_->QueryInterface(IID_PPV_ARGS(&inPlace)))) inPlace->UIDeactivate();
    return S_OK;
  }
  // The control asks for another rectangle: it gets it, as nothing else
  // shares the window.
  STDMETHODIMP OnPosRectChange(LPCRECT rect) override {
    if (!rect) return E_POINTER;
    SetBounds(*rect);
    return S_OK;
  }

  // IOleInPlaceUIWindow: no room for tools.
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override {
    return widths ? OLE_E_INVALIDRECT : S_OK;
  }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

  // IOleInPlaceFrame: the window has no menu and no status bar.
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS widths) override {
    if (widths) *widths = OLEMENUGROUPWIDTHS{};
    return S_OK;
  }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

 private:
  ~OleControlSite() = default;

  ULONG references_ = 1;
  HWND window_;
  RECT bounds_;
  IOleObject* control_ = nullptr;  // not owned: the control owns a reference to us
};

// The receiver of the control's events: an IDispatch that only Invoke
// means anything to. Detach stops the handler before the owner goes.
class OleEventSink final : public IDispatch {
 public:
  OleEventSink(const IID& events, OleControlHost::EventHandler handler)
      : events_(events), handler_(std::move(handler)) {}

  void Detach() { handler_ = nullptr; }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == events_) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    if (!handler_) return S_OK;
    // The handler may detach or release us (its owner closing): keep
    // ourselves and the handler alive until it returns.
    AddRef();
    HRESULT result = S_OK;
    try {
      static const DISPPARAMS kNone{};
      const OleControlHost::EventHandler handler = handler_;
      handler(id, params ? *params : kNone);
    } catch (...) {
      result = E_UNEXPECTED;  // no exception may cross into the control
    }
    Release();
    return result;
  }

 private:
  ~OleEventSink() = default;

  ULONG references_ = 1;
  IID events_;
  OleControlHost::EventHandler handler_;
};

bool OleControlHost::Create(const CLSID& classId, HWND window, const RECT& bounds) {
  Destroy();
  // In-place activation needs OLE on this thread, not only COM; a thread
  // already in the multithreaded apartment still gets to try.
  const HRESULT init = ::OleInitialize(nullptr);
  oleInitialized_ = SUCCEEDED(init);

  if (FAILED(::CoCreateInstance(classId, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object_)))) {
    Destroy();
    return false;
  }
  site_ = new OleControlSite(window, bounds);
  site_->Attach(object_.Get());

  // Some controls want their site before they are initialised.
  DWORD misc = 0;
  object_->GetMiscStatus(DVASPECT_CONTENT, &misc);
  const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
  if (siteFirst) object_->SetClientSite(site_);
  ComPtr<IPersistStreamInit> persist;
  if (SUCCEEDED(object_.As(&persist))) persist->InitNew();
  if (!siteFirst) object_->SetClientSite(site_);
  ::OleSetContainedObject(object_.Get(), TRUE);

  RECT position = bounds;
  if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_, 0, window, &position))) {
    Destroy();
    return false;
  }
  SetBounds(bounds);
  return true;
}

void OleControlHost::SetBounds(const RECT& bounds) {
  if (site_) site_->SetBounds(bounds);
}

bool OleControlHost::Advise(const IID& events, EventHandler handler) {
  if (!object_ || connection_) return false;
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  if (FAILED(object_.As(&container)) || FAILED(container->FindConnectionPoint(events, &point))) return false;
  auto* sink = new OleEventSink(events, std::move(handler));
  DWORD cookie = 0;
  if (FAILED(point->Advise(sink, &cookie))) {
    sink->Release();
    return false;
  }
  sink_ = sink;
  connection_ = point;
  cookie_ = cookie;
  return true;
}

void OleControlHost::Destroy() noexcept {
  if (sink_) {
    sink_->Detach();
    if (connection_) connection_->Unadvise(cookie_);
    sink_->Release();
    sink_ = nullptr;
  }
  connection_.Reset();
  cookie_ = 0;
  if (object_) {
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(object_.As(&inPlace))) inPlace->InPlaceDeactivate();
    inPlace.Reset();
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
    object_.Reset();
  }
  if (site_) {
    site_->Detach();
    site_->Release();
    site_ = nullptr;
  }
  if (oleInitialized_) {
    ::OleUninitialize();
    oleInitialized_ = false;
  }
}

}  // namespace lumora::win
