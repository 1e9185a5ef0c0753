#include "screen/shell/message_catalogue.h"

namespace gsf::screen {

// The screen's message table, one "key|text" entry per line as the form stores it.
// Keys named get_, upd_ and pro_ caption the progress indicator while a remote
// method runs; the others are error and confirmation texts.
const std::vector<std::string>& msgPadraoEntries()
{
    static const std::vector<std::string> entries = {
        "Excl|Confirma exclusão?",
        "Filial_Emp|Filial deve ser informada.",
        "Filial_cad|Filial não cadastrada.",
        "Clie_inv|Cliente deve ser informado.",
        "Clie_cad|Cliente não cadastrado.",
        "GrupServ_cad|Grupo de serviço para faturamento já cadastrado.",
        "GrupServ_Emp|Código deve ser informado.",
        "MinEfet_maior_zero|Mínimo efetivos deve ser maior ou igual a zero.",
        "Serv_cad|Serviço não cadastrado.",
        "Serv_cad_grup|Serviço já cadastrado para o grupo informado.",
        "MinEfet_vazio|Mínimo efetivos deve ser informado.",
        "Min_dia_menor|Mínimo efetivos por dia deve ser maior ou igual a zero.",
        "Min_dia_vazio|Mínimo efetivos por dia deve ser informado.",
        "Serv_vazio|Código deve ser informado.",
        "ServCorrEfet_inf|Serviço para correção de efetivos deve ser informado.",
        "ServGrup_inf|Informe um serviço para o grupo de faturamento.",
        "VrFin_vazio|Intervalo final (Inc.) deve ser informado.",
        "VrFin_maior|Intervalo final (Inc.) deve ser menor que 100%.",
        "VrFin_menor|Intervalo final (Inc.) deve ser maior que zero.",
        "VrFin_menor_VrIni|Intervalo final (Inc.) deve ser maior que o intervalo inicial (Exc.).",
        "VrCorr_vazio|Percentual de correção deve ser informado.",
        "VrCorr_maior|Percentual de correção deve ser menor que 100%.",
        "VrCorr_menor|Percentual de correção deve ser maior que zero.",
        "NServClie|Não há serviço cadastrado para o cliente informado.",
        "Desc_grupo|Descrição deve ser informada.",
        "Servico|Serviço",
        "get_cdsCorrPrecGrup|Carregando fator de correção por grupo de serviços...",
        "upd_cdsCorrPrecGrup|Carregando fator de correção por grupo de serviços...",
        "get_cdsServClie|Carregando serviços por cliente...",
        "upd_cdsServClie|Atualizando serviços por cliente...",
        "get_cdsGrupServ|Carregando grupos de serviços para faturamento...",
        "upd_cdsGrupServ|Atualizando grupos de serviços para faturamento...",
        "get_cdsPesqServ|Verificando serviços por cliente...",
        "get_cdsVerifServ|Verificando serviços por cliente...",
        "get_cdsParamFilial|Verificando paramêtros da filial...",
        "get_cdsIntervMaior|Verificando fator de correção por grupo de serviços...",
        "pro_AtualizaServ|Atualizando grupos de serviço para faturamento...",
        "pro_DeletaServ|Removendo serviços por clientes...",
        "pro_AtualizaGrupo|Atualizando serviços por clientes...",
        "pro_qryDelServ|Atualizando serviços por clientes...",
        "pro_LimpaServ|Atualizando grupos de serviço para faturamento...",
        "get_cdsPesqClie|Carregando clientes por filial...",
    };
    return entries;
}

} // namespace gsf::screen
