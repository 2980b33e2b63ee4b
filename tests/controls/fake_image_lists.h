#pragma once
// Image lists and shell icons held in memory. An image is a number naming its
// picture: an icon copied from an image carries the number, and adding that
// icon to a list appends it, so a test sees which image went where. The fake
// counts what it made and released and fails a test that uses a list or an
// icon after its release or releases one twice.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "controls/system_icons.h"
#include "ui/image_list.h"

namespace portolan::testing {

class FakeImageLists final : public ui::ImageListPeer {
 public:
  struct List {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<int> Pictures;
  };

  // Faults to come: the next this many copies or adds fail; no list can be made.
  int FailCopies = 0;
  int FailAdds = 0;
  bool FailCreate = false;

  ui::NativeImageList Create(std::int32_t width, std::int32_t height) override {
    if (FailCreate || width <= 0 || height <= 0) {
      return 0;
    }
    created_.push_back(Adopt({width, height, {}}));
    return created_.back();
  }

  void Destroy(ui::NativeImageList list) override {
    if (lists_.erase(list) == 0) {
      ADD_FAILURE() << "destroys list " << list << ", which does not exist";
    }
    destroyed_.push_back(list);
  }

  std::int32_t Count(ui::NativeImageList list) override {
    return static_cast<std::int32_t>(At(list).Pictures.size());
  }

  bool IconSize(ui::NativeImageList list, std::int32_t& width, std::int32_t& height) override {
    width = At(list).Width;
    height = At(list).Height;
    return true;
  }

  std::int32_t AddIcon(ui::NativeImageList list, ui::NativeIcon icon) override {
    List& target = At(list);
    const auto held = icons_.find(icon);
    if (held == icons_.end()) {
      ADD_FAILURE() << "adds icon " << icon << ", which does not exist";
      return -1;
    }
    if (FailAdds > 0) {
      --FailAdds;
      return -1;
    }
    target.Pictures.push_back(held->second);
    return static_cast<std::int32_t>(target.Pictures.size()) - 1;
  }

  ui::NativeIcon CopyIcon(ui::NativeImageList list, std::int32_t index) override {
    const List& source = At(list);
    if (FailCopies > 0) {
      --FailCopies;
      return 0;
    }
    ++copies_;
    return MakeIcon(source.Pictures.at(static_cast<std::size_t>(index)));
  }

  void DestroyIcon(ui::NativeIcon icon) override {
    if (icons_.erase(icon) == 0) {
      ADD_FAILURE() << "destroys icon " << icon << ", which does not exist";
    }
  }

  // A list made outside the program, as the shell's lists are.
  ui::NativeImageList AddForeignList(std::int32_t width, std::int32_t height, std::vector<int> pictures) {
    return Adopt({width, height, std::move(pictures)});
  }

  ui::NativeIcon MakeIcon(int picture) {
    const ui::NativeIcon icon = nextIcon_++;
    icons_[icon] = picture;
    return icon;
  }

  bool Exists(ui::NativeImageList list) const { return lists_.contains(list); }
  const List& Get(ui::NativeImageList list) { return At(list); }
  // The lists made through Create and those destroyed, in order.
  const std::vector<ui::NativeImageList>& Created() const { return created_; }
  const std::vector<ui::NativeImageList>& Destroyed() const { return destroyed_; }
  // Icons made by copying an image, and those not yet destroyed.
  int Copies() const { return copies_; }
  std::size_t LiveIcons() const { return icons_.size(); }

 private:
  ui::NativeImageList Adopt(List list) {
    const ui::NativeImageList handle = nextList_++;
    lists_[handle] = std::move(list);
    return handle;
  }

  List& At(ui::NativeImageList list) {
    const auto found = lists_.find(list);
    if (found == lists_.end()) {
      ADD_FAILURE() << "uses list " << list << ", which does not exist";
      return dead_;
    }
    return found->second;
  }

  // Lists and icons are numbered apart, so that one taken for the other shows.
  ui::NativeImageList nextList_ = 0x1000;
  ui::NativeIcon nextIcon_ = 0x9000;
  std::map<ui::NativeImageList, List> lists_;
  std::map<ui::NativeIcon, int> icons_;
  std::vector<ui::NativeImageList> created_;
  std::vector<ui::NativeImageList> destroyed_;
  int copies_ = 0;
  List dead_;
};

// The shell's lists: a small 16 x 16 one whose image i shows picture 100 + i
// and a large 32 x 32 one showing 200 + i. A path's icon follows from the
// text after its last dot.
class FakeShell final : public SystemIcons {
 public:
  static constexpr int kSystemIcons = 10;
  static constexpr int kSmallPicture = 100;
  static constexpr int kLargePicture = 200;

  explicit FakeShell(FakeImageLists& lists)
      : Small(lists.AddForeignList(16, 16, Pictures(kSmallPicture))),
        Large(lists.AddForeignList(32, 32, Pictures(kLargePicture))) {}

  std::map<std::string, std::int32_t> Indexes = {{"exe", 2}, {"txt", 5}, {"dll", 7}};
  ui::NativeImageList Small;
  ui::NativeImageList Large;
  // Every request for a system list: true for the small one.
  std::vector<bool> ListRequests;

  std::int32_t IconIndex(const std::string& path) override {
    const auto dot = path.rfind('.');
    const auto found = dot == std::string::npos ? Indexes.end() : Indexes.find(path.substr(dot + 1));
    return found != Indexes.end() ? found->second : -1;
  }

  ui::NativeImageList SystemImageList(bool small) override {
    ListRequests.push_back(small);
    return small ? Small : Large;
  }

 private:
  static std::vector<int> Pictures(int first) {
    std::vector<int> pictures;
    for (int i = 0; i < kSystemIcons; ++i) {
      pictures.push_back(first + i);
    }
    return pictures;
  }
};

}  // namespace portolan::testing
