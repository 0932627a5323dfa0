#include "browser_host.h"

#include <mshtml.h>
#include <ole2.h>

namespace kestrin::win32 {

// COM interfaces have no virtual destructors; the object deletes itself as its
// own final type in Release, so the warning does not apply.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
// The container side of in-place activation. One object answers as client
// site, in-place site and frame; most calls need no more than a plain reply.
class BrowserSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
  BrowserSite(HWND parent, const RECT& rect) : fParent(parent), fRect(rect) {}
  void SetRect(const RECT& rect) { fRect = rect; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleClientSite)) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IOleInPlaceSite)) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else if (IsEqualIID(riid, IID_IOleInPlaceUIWindow) || IsEqualIID(riid, IID_IOleInPlaceFrame)) {
      *out = static_cast<IOleInPlaceFrame*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&fRefs)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&fRefs);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** out) override {
    if (out) *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (shared by the site and the frame)
  STDMETHODIMP GetWindow(HWND* out) override {
    if (out == nullptr) return E_POINTER;
    *out = fParent;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO info) override {
    if (frame) {
      *frame = static_cast<IOleInPlaceFrame*>(this);
      AddRef();
    }
    if (doc) *doc = nullptr;
    if (pos) *pos = fRect;
    if (clip) *clip = fRect;
    if (info) {
      info->cb = sizeof(OLEINPLACEFRAMEINFO);
      info->fMDIApp = FALSE;
      info->hwndFrame = fParent;
      info->haccel = nullptr;
      info->cAccelEntries = 0;
    }
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow
  STDMETHODIMP GetBorder(LPRECT) override { return E_NOTIMPL; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

  // IOleInPlaceFrame
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
  LONG fRefs = 1;
  HWND fParent;
  RECT fRect;
};
#pragma GCC diagnostic pop

BrowserHost::~BrowserHost() { Destroy(); }

bool BrowserHost::Create(HWND parent, const RECT& rect) {
  if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                              reinterpret_cast<void**>(&fObject))) ||
      fObject == nullptr) {
    fObject = nullptr;
    return false;
  }
  fSite = new BrowserSite(parent, rect);
  RECT pos = rect;
  if (FAILED(fObject->SetClientSite(fSite)) ||
      FAILED(fObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, fSite, 0, parent, &pos)) ||
      FAILED(fObject->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&fBrowser)))) {
    Destroy();
    return false;
  }
  return true;
}

void BrowserHost::Move(const RECT& rect) {
  if (fSite == nullptr || fObject == nullptr) return;
  fSite->SetRect(rect);
  IOleInPlaceObject* inPlace = nullptr;
  if (SUCCEEDED(fObject->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&inPlace)))) {
    inPlace->SetObjectRects(&rect, &rect);
    inPlace->Release();
  }
}

void BrowserHost::Destroy() {
  if (fBrowser != nullptr) {
    fBrowser->Stop();
    fBrowser->Release();
    fBrowser = nullptr;
  }
  if (fObject != nullptr) {
    fObject->Close(OLECLOSE_NOSAVE);
    fObject->SetClientSite(nullptr);
    fObject->Release();
    fObject = nullptr;
  }
  if (fSite != nullptr) {
    fSite->Release();
    fSite = nullptr;
  }
}

namespace {

IHTMLDocument2* CurrentDocument(IWebBrowser2* browser) {
  IDispatch* disp = nullptr;
  // Success alone is not enough: without a browser engine the call answers
  // S_FALSE and hands out no document.
  if (FAILED(browser->get_Document(&disp)) || disp == nullptr) return nullptr;
  IHTMLDocument2* doc = nullptr;
  if (FAILED(disp->QueryInterface(IID_IHTMLDocument2, reinterpret_cast<void**>(&doc)))) doc = nullptr;
  disp->Release();
  return doc;
}

// Waits for about:blank to finish loading, processing messages meanwhile.
// Bounded, so a browser that never completes cannot hang the installer.
void WaitUntilComplete(IWebBrowser2* browser) {
  const ULONGLONG deadline = GetTickCount64() + 5000;
  READYSTATE state = READYSTATE_UNINITIALIZED;
  while (SUCCEEDED(browser->get_ReadyState(&state)) && state != READYSTATE_COMPLETE &&
         GetTickCount64() < deadline) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));  // leave it to the main loop
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

bool WriteDocument(IHTMLDocument2* doc, const std::wstring& html) {
  SAFEARRAY* items = SafeArrayCreateVector(VT_VARIANT, 0, 1);
  if (items == nullptr) return false;
  VARIANT* item = nullptr;
  bool ok = false;
  if (SUCCEEDED(SafeArrayAccessData(items, reinterpret_cast<void**>(&item)))) {
    item->vt = VT_BSTR;
    item->bstrVal = SysAllocStringLen(html.data(), static_cast<UINT>(html.size()));
    SafeArrayUnaccessData(items);
    ok = item->bstrVal != nullptr && SUCCEEDED(doc->write(items)) && SUCCEEDED(doc->close());
  }
  SafeArrayDestroy(items);  // also frees the string held by the variant
  return ok;
}

// The browser object exists even where the engine that makes documents does
// not (Wine without its engine). Navigating there never completes and leaves
// work posted to this thread for good, starving the next dialog's input; so
// ask for the engine's document class first.
bool HasDocumentEngine() {
  // CLSID_HTMLDocument; the MinGW import libraries do not carry it.
  static const CLSID kHtmlDocument = {0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};
  IUnknown* doc = nullptr;
  if (FAILED(CoCreateInstance(kHtmlDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                              reinterpret_cast<void**>(&doc))) ||
      doc == nullptr) {
    return false;
  }
  doc->Release();
  return true;
}

}  // namespace

bool LoadDocFromString(IWebBrowser2* browser, const std::wstring& html) {
  if (browser == nullptr) return false;
  IHTMLDocument2* doc = CurrentDocument(browser);
  if (doc == nullptr) {
    if (!HasDocumentEngine()) return false;
    BSTR blank = SysAllocString(L"about:blank");
    VARIANT empty;
    VariantInit(&empty);
    const HRESULT hr = browser->Navigate(blank, &empty, &empty, &empty, &empty);
    SysFreeString(blank);
    if (FAILED(hr)) return false;
    WaitUntilComplete(browser);
    doc = CurrentDocument(browser);
    if (doc == nullptr) return false;
  }
  const bool ok = WriteDocument(doc, html);
  doc->Release();
  return ok;
}

}  // namespace kestrin::win32
