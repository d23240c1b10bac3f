#include "webapps/ThumbnailAnswer.h"

#include "capture/Thumbnail.h"
#include "server/BuiltinImages.h"
#include "webapps/KnownDirs.h"

namespace palvex {

bool ThumbnailAnswer(THttpServerThread& conn, const std::u16string& fullName,
                     const std::u16string& tnText, uint32_t fileSize) {
    constexpr int kThumbnailBusyRounds = 20;
    std::string jpeg;
    ClaimBusyFlag(kThumbnailBusyRounds);
    const TThumbnailOutcome outcome = MakeThumbnail(fullName, tnText, fileSize, jpeg);
    BusyFlag.store(0);
    switch (outcome) {
        case TThumbnailOutcome::ServeFile:
            return false;
        case TThumbnailOutcome::BlankGif:
            conn.LastModified.clear();
            SendBlankGif(conn);
            return true;
        case TThumbnailOutcome::Jpeg:
            conn.Status = rsOk;
            conn.ContentType = "image/jpeg";
            conn.ResponseBody = std::move(jpeg);
            return true;
    }
    return false;
}

}  // namespace palvex
