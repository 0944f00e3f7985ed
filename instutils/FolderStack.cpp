#include "instutils/FolderStack.h"

#include <memory>
#include <vector>

namespace {
std::unique_ptr<std::vector<std::string>>& Stack() {
    static std::unique_ptr<std::vector<std::string>> stack;  // made on first push
    return stack;
}
}  // namespace

std::recursive_mutex& CurrentFolderLock() {
    static std::recursive_mutex lock;
    return lock;
}

void PushFolderText(const std::string& folder) {
    auto& stack = Stack();
    if (!stack) stack = std::make_unique<std::vector<std::string>>();
    stack->push_back(folder);
}

bool PopFolderText(std::string& folder) {
    auto& stack = Stack();
    if (!stack || stack->empty()) return false;
    folder = std::move(stack->back());
    stack->pop_back();
    return true;
}

void ReleaseFolderStack() {
    std::lock_guard<std::recursive_mutex> guard(CurrentFolderLock());
    Stack().reset();
}
