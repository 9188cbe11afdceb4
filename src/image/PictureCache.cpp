#include "image/PictureCache.h"

#include <algorithm>

int PictureCache::Rank(const std::string& path) const {
    auto it = std::find(wanted_.begin(), wanted_.end(), path);
    return it == wanted_.end() ? -1 : int(it - wanted_.begin());
}

void PictureCache::Drop(size_t index) {
    if (release_) release_(held_[index].Picture.Payload);
    held_.erase(held_.begin() + std::ptrdiff_t(index));
}

void PictureCache::Want(const std::vector<std::string>& paths, bool firstUrgent) {
    wanted_ = paths;
    firstUrgent_ = firstUrgent;
    for (size_t i = held_.size(); i-- > 0;)
        if (Rank(held_[i].Path) < 0) Drop(i);
    while (HeldBytes() > budget_) {
        size_t worst = 0;
        for (size_t i = 1; i < held_.size(); ++i)
            if (Rank(held_[i].Path) > Rank(held_[worst].Path)) worst = i;
        Drop(worst);
    }
}

std::optional<PictureJob> PictureCache::NextJob() {
    if (running_) return std::nullopt;
    for (size_t i = 0; i < wanted_.size(); ++i) {
        const std::string& path = wanted_[i];
        if (Holds(path) || Failed(path)) continue;
        running_ = PictureJob{path, generation_, i == 0 && firstUrgent_};
        return running_;
    }
    return std::nullopt;
}

void PictureCache::Finished(const PictureJob& job, std::optional<DecodedPicture> picture) {
    if (running_ && running_->Path == job.Path && running_->Generation == job.Generation) running_.reset();
    const int rank = job.Generation == generation_ ? Rank(job.Path) : -1;
    if (!picture) {
        if (rank >= 0 && !Failed(job.Path)) failed_.push_back(job.Path);
        return;
    }
    if (rank < 0 || Holds(job.Path) || picture->Bytes > budget_) {
        if (release_) release_(picture->Payload);
        return;
    }
    // Room is made only from pictures wanted less than this one.
    while (HeldBytes() + picture->Bytes > budget_) {
        size_t worst = held_.size();
        for (size_t i = 0; i < held_.size(); ++i)
            if (Rank(held_[i].Path) > rank && (worst == held_.size() || Rank(held_[i].Path) > Rank(held_[worst].Path)))
                worst = i;
        if (worst == held_.size()) {
            if (release_) release_(picture->Payload);
            return;
        }
        Drop(worst);
    }
    held_.push_back({job.Path, *picture});
}

void PictureCache::Keep(const std::string& path, DecodedPicture picture) {
    if (Holds(path) || picture.Bytes > budget_) {
        if (release_) release_(picture.Payload);
        return;
    }
    held_.push_back({path, picture});
}

std::optional<DecodedPicture> PictureCache::Take(const std::string& path) {
    for (size_t i = 0; i < held_.size(); ++i)
        if (held_[i].Path == path) {
            DecodedPicture picture = held_[i].Picture;
            held_.erase(held_.begin() + std::ptrdiff_t(i));
            return picture;
        }
    return std::nullopt;
}

bool PictureCache::Holds(const std::string& path) const {
    return std::any_of(held_.begin(), held_.end(), [&](const Held& h) { return h.Path == path; });
}

bool PictureCache::Failed(const std::string& path) const {
    return std::find(failed_.begin(), failed_.end(), path) != failed_.end();
}

void PictureCache::Clear() {
    ++generation_;
    while (!held_.empty()) Drop(held_.size() - 1);
    wanted_.clear();
    failed_.clear();
    // A running job keeps running; its result comes back under the old generation.
}

uint64_t PictureCache::HeldBytes() const {
    uint64_t total = 0;
    for (const Held& h : held_) total += h.Picture.Bytes;
    return total;
}
