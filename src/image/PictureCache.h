// Pictures decoded ahead of the user: the folder's neighbours of the current picture, one
// decode at a time on a worker, within a memory budget. Only the main thread calls in; the
// worker's result comes back to it as a message and is handed in with Finished.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a decode left in memory; the platform part owns Payload and frees it through the
// cache's release function.
struct DecodedPicture {
    uint64_t Bytes = 0;
    void* Payload = nullptr;
};

struct PictureJob {
    std::string Path;
    uint64_t Generation = 0;
    bool Urgent = false;  // the user waits for it: decode with every core
};

class PictureCache {
public:
    using ReleaseFn = void (*)(void* payload);
    PictureCache(uint64_t budgetBytes, ReleaseFn release) : budget_(budgetBytes), release_(release) {}
    ~PictureCache() { Clear(); }
    PictureCache(const PictureCache&) = delete;
    PictureCache& operator=(const PictureCache&) = delete;

    // The pictures wanted, most wanted first; an urgent one is the picture the user waits
    // for. Held pictures no longer wanted, or beyond the budget, are released.
    void Want(const std::vector<std::string>& paths, bool firstUrgent);
    // The next decode to run when none runs; it counts as running until Finished.
    std::optional<PictureJob> NextJob();
    // A job ended: the picture is kept when it is still wanted and fits the budget (less
    // wanted pictures make room), else released. A failed job (no payload) is not retried
    // until the path is wanted anew after a Clear.
    void Finished(const PictureJob& job, std::optional<DecodedPicture> picture);
    // A picture decoded earlier comes back (the one the window stops showing); the next
    // Want decides whether it stays.
    void Keep(const std::string& path, DecodedPicture picture);
    // Hands over the picture of `path`; the caller then owns its payload.
    std::optional<DecodedPicture> Take(const std::string& path);
    bool Holds(const std::string& path) const;
    bool Running(const std::string& path) const { return running_ && running_->Path == path; }
    bool Failed(const std::string& path) const;
    bool Busy() const { return running_.has_value(); }
    // The folder or its order changed: everything held goes and a running job's result
    // will be thrown away.
    void Clear();
    uint64_t HeldBytes() const;
    uint64_t Generation() const { return generation_; }

private:
    struct Held {
        std::string Path;
        DecodedPicture Picture;
    };
    int Rank(const std::string& path) const;  // position in the wanted list, -1 when not wanted
    void Drop(size_t index);

    uint64_t budget_;
    ReleaseFn release_;
    uint64_t generation_ = 1;
    std::vector<std::string> wanted_;
    bool firstUrgent_ = false;
    std::vector<Held> held_;
    std::vector<std::string> failed_;
    std::optional<PictureJob> running_;
};
