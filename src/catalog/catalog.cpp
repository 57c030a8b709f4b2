// The message catalogue.  Texts are written here as UTF-8 and handed out as the
// CP1252 text the rest of the program works with.
#include "catalog/catalog.h"

#include <array>

#include "console/console.h"
#include "console/form.h"
#include "console/menu.h"
#include "console/textwin.h"
#include "platform/braille.h"
#include "platform/platform.h"
#include "util/text.h"

namespace catalog {

namespace {

// Lookup order is table order: keep new entries in their group.
const CatalogEntry kCatalog[] = {
    {"LUINIC", "Ludivar - editor de jogos educacionais"},
    {"LUVERSAO", "Versão "},
    {"LUFIM", "Fim do Ludivar"},
    {"LUJOGCRI", "Opção: Jogar, Criar ou Editar? "},
    {"LUJOGAR", "Jogar"},
    {"LUCRIAR", "Criar"},
    {"LUEDITAR", "Editar"},
    {"LUNOMJOG", "Informe o nome do jogo ou use as setas"},
    {"LUNOMNOV", "Informe o novo nome deste jogo:"},
    {"LUASSMES", "Assumido o mesmo do diretório"},
    {"LUDESTRU", "Posso destruir o jogo existente? "},
    {"LUDESIST", "Desistiu"},
    {"LUERRCRI", "Erro ao criar o arquivo"},
    {"LUARQOK", "Arquivo gravado"},
    {"LUNAOGRV", "Ok, as modificações não foram gravadas"},
    {"LUNAOTEM", "Este diretório não tem arquivos .LUD"},
    {"LUDIRNAO", "Diretório de jogos não foi encontrado"},
    {"LUESCPAS", "Escolha uma pasta de jogos com as setas"},
    {"LUDIRATU", "Foi assumido o diretório atual para as pastas de jogos"},
    {"LUDIRACR", "Informe o nome do diretório a criar para o jogo"},
    {"LUDIREXI", "Diretório já existia, posso reusar? "},
    {"LUERCRIA", "Erro ao criar o diretório"},
    {"LUERACED", "Erro ao acessar o diretório criado"},
    {"LUOPPRIN", "Editando o jogo"},
    {"LUOPCAO", "Ludivar - qual sua opção? "},
    {"LUOPSET", "Escolha a opção com as setas."},
    {"LUAJP_D", "D - editar dados gerais."},
    {"LUAJP_C", "C - configurar apresentação."},
    {"LUAJP_E", "E - Editar os lugares do jogo."},
    {"LUAJP_P", "P - programação avançada"},
    {"LUAJP_S", "S - Salvar o projeto."},
    {"LUAJP_N", "N - Salvar com outro nome."},
    {"LUAJP_I", "I - Importar mídias para o jogo."},
    {"LUAJP_R", "R - Importar um roteiro."},
    {"LUAJP_G", "G - Gerar um roteiro a partir do jogo"},
    {"LUAJP_X", "X - Executar o jogo."},
    {"LUAJP_A", "A - Abandonar sem gravar."},
    {"LUAJP_ES", "ESC - Terminar"},
    {"LUCONFAL", "Confirma as alterações? "},
    {"LUERRARQ", "Erro ao ler o arquivo do jogo"},
    {"LULINHA", "O problema está na linha "},
    {"LUCONTEU", "Conteúdo lido:"},
    {"LULSLINV", "Lugar do slide inválido"},
    {"LUEDILOC", "Editando os lugares do jogo"},
    {"LUEDISET", "Escolha o lugar com as setas, depois tecle F9."},
    {"LUF1F9", "Aperte F9 para menu, F1 para ajuda."},
    {"LUOPCOES", "As opções são:"},
    {"LUAJU_I", "I - inserir novo lugar"},
    {"LUAJU_E", "E - editar características do lugar"},
    {"LUAJU_P", "P - programar ações simples"},
    {"LUAJU_M", "M - mover"},
    {"LUAJU_R", "R - remover lugar"},
    {"LUAJU_V", "V - visualizar"},
    {"LUAJU_S", "S - editar os slides"},
    {"LUAJU_X", "X - executar a partir daqui"},
    {"LUOPINV", "Opção inválida"},
    {"LUTITLUG", "Informe o nome do lugar:"},
    {"LUANTDEP", "Insere antes ou depois daqui? A ou seta acima: antes; D ou Enter: depois. "},
    {"LUSEMSLD", "Este lugar ainda não tem nenhum slide."},
    {"LUCRIAUT", "Posso criar automaticamente? "},
    {"LUEDISLI", "Editando os slides do jogo"},
    {"LUSLISET", "Escolha o slide com as setas, tecle F9 para opções"},
    {"LUAJS_I", "I - inserir novo slide"},
    {"LUAJS_M", "M - mover slide"},
    {"LUAJS_R", "R - remover slide"},
    {"LUAJS_E", "E - editar slide"},
    {"LUAJS_D", "D - duplicar slide"},
    {"LUAJS_V", "V - visualizar slide"},
    {"LUEDSLID", "Editore o slide, ESC termina"},
    {"LULUGINV", "Lugar inválido"},
    {"LUCONREM", "Confirma a remoção? "},
    {"LUNAOIMP", "Não implementado"},
    {"LUEDNLUG", "Editando lugar"},
    {"LUSLDINV", "Slide inválido"},
    {"LUTITSLD", "Informe o título do slide"},
    {"LUNAOEXI", "Arquivo não existe."},
    {"LUQUERCR", "Quer editar um novo jogo?"},
    {"LUINFMOV", "Informe o lugar para o qual vai mover"},
    {"LUSLDMAX", "Excedido o máximo de slides do lugar"},
    {"LUCNFFIM", "Confirma fim? "},
    {"LUCNFABN", "Confirma abandono sem gravar? "},
    {"LUAPTENT", "Aperte enter"},
    {"LUAUTOR", "Autor: "},
    {"LU_NOME", "Nome do Jogo"},
    {"LU_AUTOR", "Autor"},
    {"LU_CRIAC", "Data de Criação"},
    {"LU_VERS", "Versão"},
    {"LU_DATA", "Data da versão"},
    {"LU_COMEN1", "Comentários: 1"},
    {"LU_COMEN2", "2"},
    {"LU_COMEN3", "3"},
    {"LU_COMEN4", "4"},
    {"LU_COMEN5", "5"},
    {"LU_IMG", "Imagem de fundo"},
    {"LU_FONTE", "Fonte do texto"},
    {"LU_TFONT", "Tamanho"},
    {"LU_NEGRI", "Negrito"},
    {"LU_ALEAT", "Aleatório"},
    {"LU_NARRA", "Narrando"},
    {"LUC_NOME", "Nome"},
    {"LUC_CATE", "Categoria"},
    {"LUC_RESP", "Resposta esperada"},
    {"LUC_LUOK", "Se OK, que lugar?"},
    {"LUC_LERR", "Erro, que lugar?"},
    {"LUC_JOGT", "Jogo termina aqui?"},
    {"LUC_PONT", "Pontos ganhos ao chegar"},
    {"LUC_MID", "Mídia de fundo"},
    {"LUC_CFND", "Cor do Fundo"},
    {"LUC_CLET", "Cor da Letra"},
    {"LUG_IMGF", "Imagem de fundo .JPG"},
    {"LUSL_TIT", "Título"},
    {"LUSL_FIG", "Figura .JPG"},
    {"LUSL_PFG", "Posiçao da figura"},
    {"LUSL_MID", "Mídia a tocar"},
    {"LUSL_ESP", "Espera a mídia"},
    {"LUSL_AVN", "Avanço automático"},
    {"LUSL_EFT", "Efeito"},
    {"LUSL_FAL", "Fala Texto"},
    {"LUSL_PTX", "Posição do texto"},
    {"LUSL_T1", "Texto 1"},
    {"LUSL_T2", "Texto 2"},
    {"LUSL_T3", "Texto 3"},
    {"LUSL_T4", "Texto 4"},
    {"LUSL_T5", "Texto 5"},
    {"LUSL_T6", "Texto 6"},
    {"LUSL_T7", "Texto 7"},
    {"LUSL_T8", "Texto 8"},
    {"LUSL_T9", "Texto 9"},
    {"LUSL_T10", "Texto 10"},
    {"LUCHAEDI", "Chamando editor"},
    {"LUERREDI", "Erro na edição do arquivo de programa"},
    {"LUPROAVN", "Programação avançada"},
    {"LUOPPROG", "Escolha com as setas a opção de programação, ESC cancela"},
    {"LUAUTPRG", "Gerar a programação automaticamente"},
    {"LUCRIPRG", "Criar e editar programa novo"},
    {"LUEDIPRG", "Editar programa atual"},
    {"LUASSPRG", "Associar um programa existente a este jogo"},
    {"LUINBPRG", "Desassociar o programa deste jogo"},
    {"LUPRGNSL", "Programa não está selecionado."},
    {"LUNOMPRG", "Editore o nome do programa"},
    {"LUPRGNAO", "Programa não pôde ser criado"},
    {"LUARQJAX", "Arquivo já existe, quer destruir? "},
    {"LUSETPRG", "Use as setas para escolher o programa"},
    {"LUPRGINB", "Programa inibido."},
    {"LUERRESC", "Erro de escrita do programa..."},
    {"LUPGMNEX", "Programa ainda não existe, executando a programação simples."},
    {"LUAPROVT", "Transcreve também a programação simples pré-existente? "},
    {"LUERRPGM", "Erro de execução no programa "},
    {"LUCATEXC", "Número de categorias esgotada, aperte enter"},
    {"LUERCONT", "Erro no contador de categorias, aperte enter"},
    {"LUFIMJOG", "Fim do Jogo"},
    {"LUOK", "Ok"},
    {"LUIMPORT", "Importando Mídias para o jogo"},
    {"LUDIRIMP", "Informe a pasta que contém os arquivos a importar"},
    {"LUNEXIST", "Esta pasta não existe"},
    {"LUUSESTA", "Use as setas para selecionar um arquivo"},
    {"LUOKCOP", "Ok, copiado"},
    {"LUINFROT", "Informe o nome do roteiro .TXT"},
    {"LUNAOROT", "Este não parece ser um arquivo de roteiro."},
    {"LUCONMAN", "Consulte o manual para maiores detalhes."},
    {"LUDGNALT", "Dados gerais não foram alterados."},
    {"LUARNACE", "Arquivo não está acessível."},
    {"LUGERALT", "Dados gerais serão alterados, confira."},
    {"LUROTCRG", "Roteiro carregado."},
    {"LUDADIGN", "Dados ignorados no lugar: "},
    {"LUPRGINC", "Programação de desvio incorreto no lugar: "},
    {"LUROTEXI", "Um roteiro com este nome já existe.  Quer sobrescrever? "},
    {"LUROTCRI", "Roteiro equivalente criado."},
    {"LUCATNEX", "Categoria inexistente, aperte enter"},
    // Beyond the family's catalogue: the game as a web page.
    {"LUWEBOK", "Página web gravada: "},
    // What pupils did: the records of plays and their summary.
    {"LUALUNO", "Nome do aluno: "},
    {"LUAJP_T", "T - Resultados dos alunos."},
    {"LURESTIT", "Resultados do jogo: "},
    {"LURESNAO", "Nenhuma jogada registrada para este jogo."},
    {"LURESNUM", "Jogadas: {1}. Alunos: {2}. Média de pontos: {3}."},
    {"LURESAJU", "Setas: lugares. Enter: jogadas do lugar. P: página. A: apagar. Esc: voltar."},
    {"LURESLUG", "{1}: {2} de {3} acertaram de primeira."},
    {"LURESERR", " Erradas mais digitadas: "},
    {"LURESSEM", "Nenhum lugar com resposta esperada."},
    {"LURESJOG", "{1}, {2}: {3}"},
    {"LURESCER", "certa"},
    {"LURESERD", "errada"},
    {"LURESNRS", "sem resposta"},
    {"LURESANO", "anônimo"},
    {"LURESVAZ", "Nenhuma jogada passou por este lugar."},
    {"LURESAPG", "Apagar todos os resultados deste jogo? S/N "},
    {"LURESAPD", "Resultados apagados."},
    {"LURESPAG", "Página de resultados gravada: "},
    {"LURESDAN", "O arquivo de resultados está danificado e não pôde ser lido: "},
    // The pronunciation dictionary.
    {"LUDICTIT", "Dicionário de pronúncia"},
    {"LUDICACR", "Acrescentar palavra"},
    {"LUDICPAL", "Palavra"},
    {"LUDICDIZ", "Como dizer"},
    {"LUDICOUV", "Ouvir"},
    {"LUDICMUD", "Mudar"},
    {"LUDICREM", "Remover"},
    {"LUDICCRM", "Remover esta palavra? S/N "},
    {"LUDICGRV", "Palavra guardada"},
    {"LUDICAPG", "Palavra removida"},
    {"LUDICINV", "Escreva uma só palavra, só com letras, e como dizê-la"},
    {"LUDICERR", "Não foi possível gravar o dicionário: "},
    // Guidance for a teacher making a first game.
    {"LUSEMSLN", "O lugar {1}, {2}, não tem nenhum slide; jogando, ele não mostraria nada. "},
    {"LUAJP_W", "W - Gerar a página web do jogo."},
    // F1 on a form field: what the field takes, with an example.
    {"LUHNOME", "O nome do jogo, como os alunos o ouvem. Exemplo: Bichos da fazenda"},
    {"LUHAUTOR", "Quem fez o jogo. Exemplo: Professora Ana"},
    {"LUHCRIAC", "A data em que o jogo foi criado. Exemplo: 10/03/2025"},
    {"LUHVERS", "O número da versão do jogo. Exemplo: 1.0"},
    {"LUHDATA", "A data desta versão. Exemplo: 12/03/2025"},
    {"LUHCOMEN", "Uma linha de comentário livre sobre o jogo. Exemplo: Para o segundo ano"},
    {"LUHIMG", "Figura .JPG de fundo de todos os lugares; F9 lista as figuras da pasta. Exemplo: fundo.jpg"},
    {"LUHFONTE", "A fonte das letras; F9 lista as fontes. Exemplo: Arial"},
    {"LUHTFONT", "O tamanho das letras, de 12 a 30; F9 lista os tamanhos. Exemplo: 24"},
    {"LUHNEGRI", "Letras em negrito: SIM ou NÃO; F9 lista as duas."},
    {"LUHALEAT", "Lugares em ordem aleatória: SIM ou NÃO; F9 lista as duas."},
    {"LUHNARRA", "O texto dos slides é falado: SIM ou NÃO; F9 lista as duas."},
    {"LUHCNOME", "O nome do lugar, usado nos destinos. Exemplo: Vaca"},
    {"LUHCCATE", "A categoria do lugar; um destino com o nome dela leva a um lugar dela. Exemplo: bichos"},
    {"LUHCRESP", "Respostas aceitas separadas por barra: muu|mu; um destino para cada resposta, na mesma ordem"},
    {"LUHCLUOK", "O lugar para onde vai quem acerta; F9 lista os lugares. Um por resposta, separados por barra: Fim|Fim"},
    {"LUHCLERR", "O lugar para onde vai quem erra; F9 lista os lugares. Exemplo: Vaca"},
    {"LUHCJOGT", "O jogo termina ao chegar aqui: SIM ou NÃO; F9 lista as duas."},
    {"LUHCPONT", "Pontos ganhos ao chegar a este lugar. Exemplo: 10"},
    {"LUHCMID", "Som ou vídeo tocado durante o lugar; F9 lista os da pasta. Exemplo: fazenda.wav"},
    {"LUHCCFND", "A cor do fundo; F9 lista as cores. Exemplo: Preto"},
    {"LUHCCLET", "A cor das letras; F9 lista as cores. Exemplo: Amarelo"},
    {"LUHGIMGF", "Figura .JPG de fundo deste lugar; F9 lista as figuras da pasta. Exemplo: celeiro.jpg"},
    {"LUHSLTIT", "O título do slide. Exemplo: A vaca"},
    {"LUHSLFIG", "Figura .JPG do slide; F9 lista as figuras da pasta. Descreva-a no texto. Exemplo: vaca.jpg"},
    {"LUHSLPFG", "Onde a figura fica; F9 lista as posições. Exemplo: Centro"},
    {"LUHSLMID", "Sons ou vídeos do slide, separados por barra; F9 lista os da pasta. Exemplo: muu.wav"},
    {"LUHSLESP", "Espera a mídia acabar antes de seguir: SIM ou NÃO; F9 lista as duas."},
    {"LUHSLAVN", "Passa ao próximo slide sem esperar tecla: SIM ou NÃO; F9 lista as duas."},
    {"LUHSLEFT", "Efeito ao mostrar o slide; F9 lista os efeitos."},
    {"LUHSLFAL", "O texto do slide é falado: SIM ou NÃO; F9 lista as duas."},
    {"LUHSLPTX", "Onde o texto fica; F9 lista as posições. Exemplo: Embaixo"},
    {"LUHSLT", "Uma linha do texto do slide, mostrada e falada. Exemplo: Que bicho faz muu?"},
    {"LUARQPAS", "Arquivos nesta pasta: "},
    {"LUPASVAZ", "Esta pasta não tem arquivos."},
    {"LUCOPIAD", "Copiados para o jogo: "},
};
static_assert(sizeof(kCatalog) / sizeof(kCatalog[0]) == kCatalogSize, "catalogue size");

// CP1252 texts, converted once.
const std::array<std::string, kCatalogSize>& cpTexts() {
    static const std::array<std::string, kCatalogSize> texts = [] {
        std::array<std::string, kCatalogSize> t;
        for (size_t i = 0; i < kCatalogSize; ++i) t[i] = plat::cp(kCatalog[i].text);
        return t;
    }();
    return texts;
}

int findKey(const std::string& key) {
    for (size_t i = 0; i < kCatalogSize; ++i)
        if (key == kCatalog[i].key) return static_cast<int>(i);
    return -1;
}

}  // namespace

const CatalogEntry* catalogEntries() { return kCatalog; }
size_t catalogSize() { return kCatalogSize; }

std::string MessageText(const std::string& key) {
    int i = findKey(key);
    // A missing entry is heard as its key, never as silence.
    return i < 0 ? key : cpTexts()[static_cast<size_t>(i)];
}

bool HasMessage(const std::string& key) { return findKey(key) >= 0; }

bool AgreeOrGiveUp(const std::string& question, int lineEnds) {
    SayMessage(question, lineEnds);
    uint8_t ch = 0, ext = 0;
    con::readKeyWithEcho(ch, ext);
    con::writeLn();
    if (ch == 'S' || ch == 's') return true;
    SayMessage("LUDESIST", 1);
    return false;
}

void SayMessage(const std::string& key, int lineEnds) {
    const std::string text = MessageText(key);
    if (lineEnds >= 0) {
        con::write(text);
        for (int i = 0; i < lineEnds; ++i) con::writeLn();
    }
    // On the display before it is heard; a question keeps the cursor where the answer goes.
    const size_t last = text.find_last_not_of(' ');
    const bool question = lineEnds == 0 || (last != std::string::npos && text[last] == '?');
    brl::show(brl::Content::Message, text, question ? int(text.size()) : -1);
    if (!key.empty() && con::recordedExists(key))
        con::speakRecorded(key);
    else
        con::speak(text);
    // keyPressed lets the window work while we wait; a key cuts the speech and stays.
    while (con::isSpeaking()) con::keyPressed();
}

uint8_t AskKey(const std::string& key, int lineEnds, int promptBackground) {
    con::setTextBackground(promptBackground);
    SayMessage(key, 0);
    con::setTextBackground(0);
    uint8_t ch = 0, ext = 0;
    con::readKeyWithEcho(ch, ext);
    if (ch == 0) return 0;
    con::writeLn();
    for (int i = 0; i < lineEnds; ++i) con::writeLn();
    return util::upperLatin(ch);
}

std::string YesNoText(bool flag) { return flag ? std::string("SIM") : plat::cp("NÃO"); }

void AddMenuOption(const std::string& key) { con::menuAdd(key, MessageText(key)); }

void AddFormField(const std::string& key, std::string* target, int maxLen, int width) {
    (void)maxLen;
    con::formAddField(key, MessageText(key), target, width);
}

void AddFormChoiceField(const std::string& key, std::string* target, int maxLen,
                        const std::string& options, int width) {
    (void)maxLen;
    if (options.empty())
        con::formAddField(key, MessageText(key), target, width);
    else
        con::formAddChoiceField(key, MessageText(key), target, options, width);
}

void ClearRightPanel() {
    const int x = con::whereX(), y = con::whereY();
    con::setWindow(40, 7, 80, 19);
    con::setTextBackground(0);
    con::clearScreen();
    con::setWindow(1, 1, 80, 25);
    con::gotoXY(x, y);
}

}  // namespace catalog
