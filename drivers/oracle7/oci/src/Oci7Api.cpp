// The exported calls of the interface. Each one checks its data area and
// delegates; nothing is implemented yet, so every call answers 3114
// ("not connected to ORACLE").
#include "oci7.h"

#define OCI7_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
constexpr sword kNotConnected = 3114;

sword fail(Cda_Def* area) {
    if (area != nullptr) {
        area->rc = static_cast<ub2>(kNotConnected);
        area->v2_rc = -static_cast<sb2>(kNotConnected);
    }
    return kNotConnected;
}
} // namespace

OCI7_EXPORT sword orlon(Lda_Def* lda, ub1*, OraText*, sword, OraText*, sword, sword) {
    return fail(lda);
}
OCI7_EXPORT sword ologof(Lda_Def* lda) { return fail(lda); }
OCI7_EXPORT sword ocon(Lda_Def* lda) { return fail(lda); }
OCI7_EXPORT sword ocof(Lda_Def* lda) { return fail(lda); }
OCI7_EXPORT sword ocom(Lda_Def* lda) { return fail(lda); }
OCI7_EXPORT sword orol(Lda_Def* lda) { return fail(lda); }
OCI7_EXPORT sword oopen(Cda_Def* cursor, Lda_Def*, OraText*, sword, sword, OraText*, sword) {
    return fail(cursor);
}
OCI7_EXPORT sword oclose(Cda_Def* cursor) { return fail(cursor); }
OCI7_EXPORT sword oparse(Cda_Def* cursor, OraText*, sb4, sword, ub4) { return fail(cursor); }
OCI7_EXPORT sword odescr(Cda_Def* cursor, sword, sb4*, sb2*, sb1*, sb4*, sb4*, sb2*, sb2*, sb2*) {
    return fail(cursor);
}
OCI7_EXPORT sword odefin(Cda_Def* cursor, sword, ub1*, sword, sword, sword, sb2*, OraText*, sword,
                         sword, ub2*, ub2*) {
    return fail(cursor);
}
OCI7_EXPORT sword obndra(Cda_Def* cursor, OraText*, sword, ub1*, sword, sword, sword, sb2*, ub2*,
                         ub2*, ub4, ub4*, OraText*, sword, sword) {
    return fail(cursor);
}
OCI7_EXPORT sword oexec(Cda_Def* cursor) { return fail(cursor); }
OCI7_EXPORT sword oexfet(Cda_Def* cursor, ub4, sword, sword) { return fail(cursor); }
OCI7_EXPORT sword ofen(Cda_Def* cursor, sword) { return fail(cursor); }
OCI7_EXPORT sword oflng(Cda_Def* cursor, sword, ub1*, sb4, sword, ub4*, sb4) {
    return fail(cursor);
}
OCI7_EXPORT sword oerhms(Lda_Def* lda, sb2, OraText* buf, sword bufsiz) {
    static const char text[] = "ORA-03114: not connected to ORACLE";
    sword n = 0;
    if (buf != nullptr && bufsiz > 0) {
        for (; n < bufsiz - 1 && text[n] != '\0'; ++n)
            buf[n] = static_cast<OraText>(text[n]);
        buf[n] = 0;
    }
    (void)lda;
    return n;
}
