#pragma once

#include "platform/data/packet.h"
#include "platform/remote/call_result.h"

#include <string>

namespace gsf::remote {
class RemoteConnection;
}

namespace gsf::screen {

/// Typed calls of the remote module "Vex04120.rdmGrupServFat", one per
/// method, arguments in the order the server expects them.
///
/// Every call goes through the connection, which never throws: each returns
/// the CallResult to be handed to CheckResultServ (true, 0).
class RdmGrupServFat {
public:
    explicit RdmGrupServFat(remote::RemoteConnection& connection) : connection_(connection) {}

    /// @param inscricao registration number, or empty for every client of the branch.
    remote::CallResult GetPesqClie(const std::string& inscricao, const std::string& filial);
    remote::CallResult GetParamFilial(const std::string& filial);
    remote::CallResult GetGrupServ(const std::string& filial, const std::string& cliente);
    /// @param grupo the group code as typed, already adjusted.
    remote::CallResult GetVerifGrupServ(const std::string& filial, const std::string& cliente,
                                        const std::string& grupo);
    remote::CallResult GetServClie(const std::string& filial, const std::string& cliente, const std::string& grupo);
    remote::CallResult GetCorrPrecGrup(const std::string& filial, const std::string& cliente, const std::string& grupo);
    remote::CallResult GetIntervMaior(const std::string& filial, const std::string& cliente, const std::string& grupo);
    /// @param servico a service code, or empty for every service of the client.
    remote::CallResult GetPesqServ(const std::string& filial, const std::string& cliente, const std::string& servico);
    /// Note the order: the service comes before the client.
    remote::CallResult GetVerifServ(const std::string& filial, const std::string& servico, const std::string& cliente,
                                    const std::string& grupo);
    remote::CallResult UpdGrupServ(const data::Delta& delta);
    remote::CallResult UpdServClie(const data::Delta& delta);
    remote::CallResult UpdCorrPrecGrup(const data::Delta& delta);
    remote::CallResult ProAtualizaGrupo(const std::string& filial, const std::string& cliente, const std::string& grupo,
                                        const std::string& servico);
    remote::CallResult ProAtualizaServ(const std::string& filial, const std::string& cliente, const std::string& grupo,
                                       const std::string& servico);
    remote::CallResult ProLimpaServ(const std::string& filial, const std::string& cliente, const std::string& grupo);
    remote::CallResult ProDeletaServ(const std::string& filial, const std::string& cliente, const std::string& grupo,
                                     const std::string& servico);
    remote::CallResult ProDelServ(const std::string& filial, const std::string& cliente, const std::string& grupo);

    /// Whether a call that changes data ended with no answer since the last
    /// ClearOutcomeUnknown: the server may hold its change or not, so what the
    /// screen shows must be read again.
    bool OutcomeUnknown() const { return outcomeUnknown_; }
    void ClearOutcomeUnknown() { outcomeUnknown_ = false; }

private:
    remote::CallResult noted(remote::CallResult result);

    remote::RemoteConnection& connection_;
    bool outcomeUnknown_ = false;
};

} // namespace gsf::screen
