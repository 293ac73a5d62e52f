#include "jobs/VolumeBinderSearch.h"

#include <algorithm>
#include <memory>

namespace {

constexpr uint64_t kStepBytes = 1 << 20; // one step of the bar
constexpr uint64_t kMaxSteps = 0x7FFFFFFF;

// Turns the search's (bytes done, bytes in all) into the sink's steps. The sink learns the
// number of steps at the first report, when the size of the source is known.
class SearchProgress {
public:
    SearchProgress(ProgressSink& sink, std::u16string status)
        : sink_(sink), status_(std::move(status)) {}

    bool Report(uint64_t done, uint64_t total) {
        // Options given to several bindings search one source after the other.
        if (started_ && (total != total_ || done < done_)) started_ = false;
        done_ = done;
        if (!started_) {
            total_ = total;
            position_ = 0;
            unit_ = kStepBytes;
            while (total / unit_ > kMaxSteps)
                unit_ *= 2;
            steps_ = std::max<uint64_t>(1, (total + unit_ - 1) / unit_);
            sink_.Start(static_cast<uint32_t>(steps_));
            sink_.SetMode(kProgressVolumeSearch);
            sink_.Show();
            if (!status_.empty()) sink_.SetStatus(status_);
            started_ = true;
        }
        const uint64_t target = std::min(steps_, done / unit_);
        for (; position_ < target; ++position_)
            sink_.Step();
        if (sink_.Cancelled()) cancelled_ = true;
        return !cancelled_;
    }
    bool Cancelled() const { return cancelled_; }

private:
    ProgressSink& sink_;
    std::u16string status_;
    bool started_ = false;
    uint64_t unit_ = kStepBytes;
    uint64_t steps_ = 1;
    uint64_t position_ = 0;
    uint64_t total_ = 0;
    uint64_t done_ = 0;
    bool cancelled_ = false;
};

ProbeOptions OptionsOver(const std::shared_ptr<SearchProgress>& progress) {
    ProbeOptions options;
    options.search = LostSearch::kEverySector;
    options.progress = [progress](uint64_t done, uint64_t total) {
        return progress->Report(done, total);
    };
    return options;
}

} // namespace

ProbeOptions SectorSearchOptions(ProgressSink& sink, std::u16string status) {
    return OptionsOver(std::make_shared<SearchProgress>(sink, std::move(status)));
}

SectorSearchResult SearchSourceSectors(platform::DriveMap& map, const std::string& path,
                                       ProgressSink& sink, std::u16string status) {
    SectorSearchResult result;
    size_t found = 0;
    const auto progress = std::make_shared<SearchProgress>(sink, std::move(status));
    result.bound = BindNewVolumes(map, path, OptionsOver(progress), &found);
    result.volumesFound = static_cast<uint32_t>(found);
    result.cancelled = progress->Cancelled();
    sink.Close();
    return result;
}
