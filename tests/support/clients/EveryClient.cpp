#include "support/clients/EveryClient.h"

#include "support/clients/EudoraSample.h"
#include "support/clients/FavoritesSample.h"
#include "support/clients/IncrediMailSample.h"
#include "support/clients/NetscapeSample.h"
#include "support/clients/OperaSample.h"
#include "support/clients/OutlookExpressSample.h"
#include "support/clients/OutlookSample.h"
#include "support/clients/PegasusSample.h"
#include "support/clients/PocoMailSample.h"
#include "support/clients/TheBatSample.h"

namespace support {

void addEveryClient(SamplePrefix& p) {
    addOutlookExpress(p);
    addOutlook(p);
    addEudora(p);
    addIncrediMail(p);
    addPegasus(p);
    addTheBat(p);
    addPocoMail(p);
    addOpera(p);
    addNetscape(p);
    addFavorites(p);
    p.save();
}

} // namespace support
