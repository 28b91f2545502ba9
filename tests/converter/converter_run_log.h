#pragma once
// Records what a conversion component reports, from whichever thread it reports on.
#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/converter/ffmpeg_task.h"
#include "engine/converter/media_converter.h"

namespace convtest {

class TRunLog {
 public:
  // Binds the component's progress and terminate events. AOnProgress runs inside the progress handler.
  void Attach(engine::TMediaConverter& AConverter,
              std::function<void(const engine::TProgressInfo&)> AOnProgress = nullptr) {
    converter_ = &AConverter;
    onProgress_ = std::move(AOnProgress);
    AConverter.OnProgress = [this](void* ASender, engine::TProgressInfo* AInfo) {
      {
        std::lock_guard lock(mutex_);
        senderOk_ = senderOk_ && ASender == converter_;
        progress_.push_back(*AInfo);
        progressThreads_.push_back(std::this_thread::get_id());
        int converting = 0;
        for (int i = 0; i < converter_->TasksCount(); ++i) converting += converter_->Tasks(i)->Converting();
        maxConverting_ = std::max(maxConverting_, converting);
      }
      if (onProgress_) onProgress_(*AInfo);
    };
    AConverter.OnTerminate = [this](void* ASender, const engine::TTerminateInfo& AInfo) {
      std::lock_guard lock(mutex_);
      senderOk_ = senderOk_ && ASender == converter_;
      terminations_.push_back(AInfo);
      terminateThreads_.push_back(std::this_thread::get_id());
    };
  }

  bool RunEnded() const {
    std::lock_guard lock(mutex_);
    return !terminations_.empty() && terminations_.back().TaskIndex < 0;
  }
  size_t ProgressCount() const {
    std::lock_guard lock(mutex_);
    return progress_.size();
  }
  std::vector<engine::TTerminateInfo> Terminations() const {
    std::lock_guard lock(mutex_);
    return terminations_;
  }
  std::vector<engine::TProgressInfo> Progress() const {
    std::lock_guard lock(mutex_);
    return progress_;
  }
  std::vector<std::thread::id> ProgressThreads() const {
    std::lock_guard lock(mutex_);
    return progressThreads_;
  }
  std::vector<std::thread::id> TerminateThreads() const {
    std::lock_guard lock(mutex_);
    return terminateThreads_;
  }
  int MaxConverting() const {
    std::lock_guard lock(mutex_);
    return maxConverting_;
  }
  bool SenderWasComponent() const {
    std::lock_guard lock(mutex_);
    return senderOk_;
  }
  // The termination of a task (the first one when, wrongly, there are several).
  const engine::TTerminateInfo* Of(int ATaskIndex, const std::vector<engine::TTerminateInfo>& AAll) const {
    for (const auto& info : AAll)
      if (info.TaskIndex == ATaskIndex) return &info;
    return nullptr;
  }

  // Every task reported exactly once, and the run's end came once, last.
  void ExpectEachTaskOnceThenTheEnd(int ATasks) const {
    const auto all = Terminations();
    ASSERT_EQ(all.size(), static_cast<size_t>(ATasks) + 1);
    std::vector<int> seen(static_cast<size_t>(ATasks), 0);
    for (size_t i = 0; i + 1 < all.size(); ++i) {
      ASSERT_GE(all[i].TaskIndex, 0);
      ASSERT_LT(all[i].TaskIndex, ATasks);
      ++seen[static_cast<size_t>(all[i].TaskIndex)];
    }
    for (int i = 0; i < ATasks; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], 1) << "task " << i;
    EXPECT_EQ(all.back().TaskIndex, -1);
    EXPECT_TRUE(all.back().Finished);
    EXPECT_FALSE(all.back().Exception);
    EXPECT_TRUE(all.back().ExceptionMsg.empty());
  }

 private:
  mutable std::mutex mutex_;
  engine::TMediaConverter* converter_ = nullptr;
  std::function<void(const engine::TProgressInfo&)> onProgress_;
  std::vector<engine::TTerminateInfo> terminations_;
  std::vector<engine::TProgressInfo> progress_;
  std::vector<std::thread::id> progressThreads_;
  std::vector<std::thread::id> terminateThreads_;
  int maxConverting_ = 0;
  bool senderOk_ = true;
};

}  // namespace convtest
