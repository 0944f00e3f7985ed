#pragma once
// Host build only: which system code page the path texts assume, so that
// the double-byte rules can be tested without Windows. 0 (the default) is a
// single-byte code page; 932 is Shift-JIS.
void SetHostCodePage(int codePage);

// A code page for one scope (a test), single-byte again after it.
class THostCodePage {
public:
    explicit THostCodePage(int codePage) { SetHostCodePage(codePage); }
    ~THostCodePage() { SetHostCodePage(0); }
    THostCodePage(const THostCodePage&) = delete;
    THostCodePage& operator=(const THostCodePage&) = delete;
};
