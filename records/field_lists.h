#pragma once

// The one list of fields of each record, in packet order: X(NAME, DECLARATION)
// per field. fields.h turns each list into the compile-time keys of the record
// (only NAME is read there); records.cpp into the record's table, where
// DECLARATION is an expression of the helpers of that file giving the field's
// label, type, size, characters, presence, range and decimals. A field's name
// is written here only, so the keys and the tables cannot drift apart.

// GRUPSERVFAT, loaded into cdsGrupServ: billing service groups.
#define GSF_RECORD_GRUPSERV(X)                                                                                         \
    X(CDFILIAL, key(branch()))                                                                                         \
    X(CDCLIENTE, key(client()))                                                                                        \
    X(CDGRSERVFAT, key(group()))                                                                                       \
    X(DSGRSERVFAT, required(text("descrição", 30)))                                                                    \
    X(QTEFETMINIGSF, staff("mínimo de efetivos por dia"))                                                              \
    X(QTEFMINDOMGSF, staff("mínimo de efetivos aos domingos"))                                                         \
    X(QTEFMINSEGGSF, staff("mínimo de efetivos às segundas-feiras"))                                                   \
    X(QTEFMINTERGSF, staff("mínimo de efetivos às terças-feiras"))                                                     \
    X(QTEFMINQUAGSF, staff("mínimo de efetivos às quartas-feiras"))                                                    \
    X(QTEFMINQUIGSF, staff("mínimo de efetivos às quintas-feiras"))                                                    \
    X(QTEFMINSEXGSF, staff("mínimo de efetivos às sextas-feiras"))                                                     \
    X(QTEFMINSABGSF, staff("mínimo de efetivos aos sábados"))                                                          \
    X(QTEFMINFERGSF, staff("mínimo de efetivos nos feriados"))                                                         \
    X(CDSERAJEFEGSF, service("serviço de correção de efetivos"))

// SERVGRUPFAT, loaded into cdsServClie: the services of a group. The service's
// name comes from SERVFILI and is not stored with the assignment.
#define GSF_RECORD_SERVCLIE(X)                                                                                         \
    X(CDSERVFILI, key(service()))                                                                                      \
    X(NMSERVICO, shownOnly(text("nome do serviço", 40)))                                                               \
    X(IDCORREFET, correctionFlag())                                                                                    \
    X(CDGRSERVFAT, key(group()))                                                                                       \
    X(CDFILIAL, key(branch()))                                                                                         \
    X(CDCLIENTE, key(client()))

// CORRPRECGRUP, loaded into cdsCorrPrecGrup: price-correction intervals.
#define GSF_RECORD_CORRPRECGRUP(X)                                                                                     \
    X(CDFILIAL, key(branch()))                                                                                         \
    X(CDCLIENTE, key(client()))                                                                                        \
    X(VRPEINICGRUP, percent("início do intervalo", false))                                                             \
    X(VRPEFIMGRUP, percent("fim do intervalo", true))                                                                  \
    X(VRPECORRGRUP, required(percent("percentual de correção", true)))                                                 \
    X(CDGRSERVFAT, key(group()))

// CLIENTE, loaded into cdsCliente by the client look-up.
#define GSF_RECORD_CLIENTE(X)                                                                                          \
    X(NRINSJURCLIE, registration())                                                                                    \
    X(NMRAZSOCCLIE, text("razão social", 50))                                                                          \
    X(CDCLIENTE, client())                                                                                             \
    X(IDTPIJURCLIE, text("tipo de pessoa", 1))                                                                         \
    X(NMFANTCLIE, text("nome fantasia", 50))

// PARAMFATFILI, loaded into cdsParamFilial: a branch's billing parameters.
#define GSF_RECORD_PARAMFILIAL(X)                                                                                      \
    X(CDTIPOFATUR, text("tipo de faturamento", 3))                                                                     \
    X(DSPARAMFATFI, text("parâmetros de faturamento", 200))

// Look-up results.
#define GSF_RECORD_VERIFGRUPSERV(X) X(CDFILIAL, branch())
#define GSF_RECORD_PESQSERV(X)                                                                                         \
    X(CDSERVFILI, service())                                                                                           \
    X(NMSERVICO, text("nome do serviço", 40))
#define GSF_RECORD_VERIFSERV(X) X(CDSERVFILI, service())
#define GSF_RECORD_INTERVMAIOR(X) X(VRPEFIMGRUP, percent("fim do intervalo", true))

// FILIAL, the host's own branch table, read by qryFilial from the host's
// database (the application server never sends it).
#define GSF_RECORD_FILIAL(X)                                                                                           \
    X(CDFILIAL, key(branch()))                                                                                         \
    X(NMFILIAL, text("nome da filial", 30))
