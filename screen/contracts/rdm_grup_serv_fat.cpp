#include "screen/contracts/rdm_grup_serv_fat.h"

#include "platform/remote/connection.h"

namespace gsf::screen {

using remote::CallResult;
using Text = const std::string&;

CallResult RdmGrupServFat::noted(CallResult result)
{
    if (result.outcomeUnknown)
        outcomeUnknown_ = true;
    return result;
}

CallResult RdmGrupServFat::GetPesqClie(Text inscricao, Text filial)
{
    return connection_.Call("GetPesqClie", {inscricao, filial});
}

CallResult RdmGrupServFat::GetParamFilial(Text filial)
{
    return connection_.Call("GetParamFilial", {filial});
}

CallResult RdmGrupServFat::GetGrupServ(Text filial, Text cliente)
{
    return connection_.Call("GetGrupServ", {filial, cliente});
}

CallResult RdmGrupServFat::GetVerifGrupServ(Text filial, Text cliente, Text grupo)
{
    return connection_.Call("GetVerifGrupServ", {filial, cliente, grupo});
}

CallResult RdmGrupServFat::GetServClie(Text filial, Text cliente, Text grupo)
{
    return connection_.Call("GetServClie", {filial, cliente, grupo});
}

CallResult RdmGrupServFat::GetCorrPrecGrup(Text filial, Text cliente, Text grupo)
{
    return connection_.Call("GetCorrPrecGrup", {filial, cliente, grupo});
}

CallResult RdmGrupServFat::GetIntervMaior(Text filial, Text cliente, Text grupo)
{
    return connection_.Call("GetIntervMaior", {filial, cliente, grupo});
}

CallResult RdmGrupServFat::GetPesqServ(Text filial, Text cliente, Text servico)
{
    return connection_.Call("GetPesqServ", {filial, cliente, servico});
}

CallResult RdmGrupServFat::GetVerifServ(Text filial, Text servico, Text cliente, Text grupo)
{
    return connection_.Call("GetVerifServ", {filial, servico, cliente, grupo});
}

CallResult RdmGrupServFat::UpdGrupServ(const data::Delta& delta)
{
    return noted(connection_.Call("UpdGrupServ", delta));
}

CallResult RdmGrupServFat::UpdServClie(const data::Delta& delta)
{
    return noted(connection_.Call("UpdServClie", delta));
}

CallResult RdmGrupServFat::UpdCorrPrecGrup(const data::Delta& delta)
{
    return noted(connection_.Call("UpdCorrPrecGrup", delta));
}

CallResult RdmGrupServFat::ProAtualizaGrupo(Text filial, Text cliente, Text grupo, Text servico)
{
    return noted(connection_.Call("ProAtualizaGrupo", {filial, cliente, grupo, servico}));
}

CallResult RdmGrupServFat::ProAtualizaServ(Text filial, Text cliente, Text grupo, Text servico)
{
    return noted(connection_.Call("ProAtualizaServ", {filial, cliente, grupo, servico}));
}

CallResult RdmGrupServFat::ProLimpaServ(Text filial, Text cliente, Text grupo)
{
    return noted(connection_.Call("ProLimpaServ", {filial, cliente, grupo}));
}

CallResult RdmGrupServFat::ProDeletaServ(Text filial, Text cliente, Text grupo, Text servico)
{
    return noted(connection_.Call("ProDeletaServ", {filial, cliente, grupo, servico}));
}

CallResult RdmGrupServFat::ProDelServ(Text filial, Text cliente, Text grupo)
{
    return noted(connection_.Call("ProDelServ", {filial, cliente, grupo}));
}

} // namespace gsf::screen
