#pragma once
// An album for the main window's tests: a plain child window that counts
// what it was given.

#include <QWidget>

#include <string>
#include <vector>

#include "camera/app/album_panel.h"

namespace lumoset::testing {

class AlbumDouble final : public AlbumPanel {
public:
    explicit AlbumDouble(QWidget* parent) : window_(new QWidget(parent)) { window_->hide(); }
    QWidget* window() override { return window_; }
    int itemCount() const override { return static_cast<int>(paths.size()); }
    bool canScrollUp() const override { return false; }
    bool canScrollDown() const override { return paths.size() > 4; }
    void scrollUp() override {}
    void scrollDown() override {}
    int pendingMessageId() const override { return 0; }
    bool isFull() override { return itemCount() >= kAlbumCapacity; }
    void addPicture(const std::string& path) override { paths.push_back(path); }

    std::vector<std::string> paths;

private:
    QWidget* window_;
};

} // namespace lumoset::testing
