// A minimal in-place container for the system's embedded web browser
// (CLSID_WebBrowser, IWebBrowser2), enough to show a document written from a
// string inside a dialog.
#pragma once

#include <windows.h>
#include <exdisp.h>

#include <string>

namespace kestrin::win32 {

class BrowserSite;

class BrowserHost {
public:
  BrowserHost() = default;
  ~BrowserHost();
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  // Creates the browser in-place in `parent` at `rect`. False when the system
  // has no browser object to give.
  bool Create(HWND parent, const RECT& rect);
  void Move(const RECT& rect);
  IWebBrowser2* Browser() const { return fBrowser; }
  // Stops any loading and takes the browser down.
  void Destroy();

private:
  BrowserSite* fSite = nullptr;
  IOleObject* fObject = nullptr;
  IWebBrowser2* fBrowser = nullptr;
};

// Writes `html` into a blank document of `browser` with IHTMLDocument2::write
// and close. False when no document can be had (a browser object without a
// browser engine gives none) or when write or close report an error; the
// caller then shows the text another way.
bool LoadDocFromString(IWebBrowser2* browser, const std::wstring& html);

}  // namespace kestrin::win32
