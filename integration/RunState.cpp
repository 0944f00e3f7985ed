#include "integration/RunState.h"

TRunState::~TRunState() { InstallThreadStatus.WaitForInstallThread(); }

void TRunState::SetFiles(std::unique_ptr<TAttachedFiles> files) {
    Reader = std::move(files);
    if (Reader) Reader->Log = &Log;
}
