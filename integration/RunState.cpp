#include "integration/RunState.h"

TRunState::~TRunState() { InstallThreadStatus.WaitForInstallThread(); }

void TRunState::SetFiles(std::unique_ptr<TAttachedFiles> files) {
    Opening.reset();
    Reader = std::move(files);
    if (Reader) Reader->Log = &Log;
}

void TRunState::SetFiles(std::unique_ptr<TPayloadOpening> opening) {
    Reader.reset();
    Opening = std::move(opening);
}

TAttachedFiles* TRunState::Files() {
    if (Opening) {
        std::unique_ptr<TPayloadOpening> opening = std::move(Opening);
        SetFiles(opening->Take());
    }
    return Reader.get();
}
