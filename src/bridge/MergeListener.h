#pragma once

#include <string_view>

#include "bridge/SourceKey.h"

namespace dimrix::bridge {

// Why a source stopped counting.
enum class SourceLoss {
    Timeout,     // no levels for 2.5 s
    Terminated,  // it said it stops
};

// Why data from a source was not merged.
enum class SourceRefusal {
    ThirdArtNet,    // two Art-Net sources already feed the universe
    TooManySources  // the universe holds as many sources as it can
};

// Told once of each event of one universe's merge, as it happens, so the program logs
// each once. A refused source is told again only after the refusal ended in between. Of
// network sources only: the bridge's own console is not told.
class MergeListener {
public:
    virtual ~MergeListener() = default;
    virtual void OnSourceAppeared(const SourceKey& key, std::string_view name, int priority) = 0;
    virtual void OnSourceGone(const SourceKey& key, std::string_view name, SourceLoss why) = 0;
    // The last source is gone: the look is held or dropped as the loss policy says.
    virtual void OnAllSourcesGone() = 0;
    virtual void OnSourceRefused(const SourceKey& key, SourceRefusal why) = 0;

protected:
    MergeListener() = default;
    MergeListener(const MergeListener&) = default;
    MergeListener& operator=(const MergeListener&) = default;
};

}  // namespace dimrix::bridge
