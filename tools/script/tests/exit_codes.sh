#!/bin/sh
# Exit status and messages of grupservfat-script for scripts read from standard input.
# usage: exit_codes.sh PATH-TO-grupservfat-script
driver="$1"
failures=0
passed=0

# check NAME EXPECTED-STATUS EXPECTED-STDERR-PART SCRIPT [OPTIONS...]
check() {
    name="$1" want="$2" part="$3" script="$4"
    shift 4
    err=$(printf '%s' "$script" | timeout 60 "$driver" "$@" 2>&1 >/dev/null)
    got=$?
    if [ "$got" != "$want" ] || { [ -n "$part" ] && ! printf '%s' "$err" | grep -qF -- "$part"; }; then
        echo "FALHOU $name: status $got (esperado $want), saída de erro: $err"
        failures=$((failures + 1))
    else
        passed=$((passed + 1))
    fi
}

check "roteiro vazio" 0 "" "" --embedded
check "comando desconhecido" 2 "linha 2: comando desconhecido \"abrir\"" "open
abrir
" --embedded
check "controle desconhecido" 2 "linha 2: controle desconhecido \"medCdFilal\"" "open
type medCdFilal 0001
" --embedded
check "expect falho" 1 "linha 2: esperado página tshServico, visto página tshPadrao" "open
expect page tshServico
" --embedded
check "edição pendente no fim" 3 "fim do roteiro: edição pendente em cdsGrupServ (insert)" "open
type medCdCliente 11222333000181
focus dbgPadrao
click sbtIncluir
" --embedded
check "diálogo sem resposta" 3 "linha 4: diálogo sem resposta: Roteiro sem escolha para a lista \"Cliente\"." "open
focus medCdCliente
type medCdCliente \"\"
click btpCliente
expect count cdsCliente 4
" --embedded
check "resposta não usada" 3 "fim do roteiro: 1 resposta(s) de diálogo não usada(s)" "open
answer yes
" --embedded
check "grade de página que não está na frente" 2 "linha 2: dbgServico não está à vista: fica na página tshServico, e a página na frente é tshPadrao" "open
row dbgServico 1
" --embedded
check "falha provocada e servidor reiniciado" 0 "" "open
type medCdCliente 11222333000181
fail GetPesqClie 503
focus dbgPadrao
expect message \"O banco de dados está ocupado. Tente novamente em instantes.\"
server stop
server start
focus dbgPadrao
expect count cdsGrupServ 3
" --embedded
# A server in another process can neither be told to fail nor be stopped.
database=$(mktemp -d)
check "fail sem servidor embutido" 2 "linha 1: fail só vale para o servidor embutido (--embedded)" "fail GetGrupServ
" --server 127.0.0.1:1 --database "$database/geral.db"
check "server sem servidor embutido" 2 "linha 1: server stop só vale para o servidor embutido (--embedded)" "server stop
" --server 127.0.0.1:1 --database "$database/geral.db"
rm -rf "$database"
check "servidor mal escrito" 2 "endereço de servidor inválido" "" --server semporta
check "opções em conflito" 2 "não podem ser usados juntos" "" --server 127.0.0.1:1 --embedded
check "sem banco do módulo geral" 3 "informe o banco" "" --server 127.0.0.1:1

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
