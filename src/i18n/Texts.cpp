// Interface and message texts of the seven languages, by language index.
// Every text is kept exactly as the program shows or writes it, blanks included.
#include "i18n/Texts.h"

namespace trajetix {

namespace {
const MessageSlots &slotsOf(int language)
{
    static const MessageSlots table[LanguageCount] = {
        {
            QStringLiteral(" Necessário informar a sua chave da API "), // msglblKeyApi
            QStringLiteral(" endereços a serem processados"), // msglblTotalLinhas
            QStringLiteral("Informe o arquivo .CSV !"), // msgdlgbtnArquivoEnderecos
            QStringLiteral("Ocorreu um erro durante a leitura do arquivo de ENTRADA. A operação foi abortada"), // msgdlgbtnArquivoEnderecosErro
            QStringLiteral("Informe o diretório (pasta) para a gravação do arquivo processado com o cálculo das rotas!"), // msgBrowseFolder
            QStringLiteral("-Processado-"), // msgbtnDiretorioDestinoNomeArquivoFinal
            QStringLiteral("Informe o diretório/pasta de destino para os endereços processados."), // msgdlgbtnProcessar
            QStringLiteral("Ocorreu um erro durante a leitura dos arquivos de ENTRADA E SAÍDA. A operação foi abortada"), // msgdlgbtnProcessarErro1
            QStringLiteral("Erro ao acessar a API do Google! Verifique também a sua conexão de internet"), // msgdlgbtnProcessarErro2
            QStringLiteral("NÃO ENCONTRADO"), // msgdlgbtnProcessarErroArg1
            QStringLiteral("ERRO AO ACESSAR A API DO GOOGLE - INDISPONIBILIDADE"), // msgdlgbtnProcessarErroArq2
            QStringLiteral("Ocorreu um erro durante a leitura. A operação foi abortada"), // msgdlgbtnProcessarErroArg3
            QStringLiteral("Processamento finalizado com SUCESSO."), // msgdlgbtnProcessarSucesso
            QStringLiteral("-Processado-"), // msgcmbxModo
        },
        {
            QStringLiteral(" You need to enter your API key "), // msglblKeyApi
            QStringLiteral(" addresses to be processed"), // msglblTotalLinhas
            QStringLiteral("Inform the file .CSV !"), // msgdlgbtnArquivoEnderecos
            QStringLiteral("An error occurred while reading the INPUT file. The operation was aborted"), // msgdlgbtnArquivoEnderecosErro
            QStringLiteral("Inform the directory (folder) for recording the processed file with the route calculation!"), // msgBrowseFolder
            QStringLiteral("-Processed-"), // msgbtnDiretorioDestinoNomeArquivoFinal
            QStringLiteral("Enter the destination directory/folder for the processed addresses."), // msgdlgbtnProcessar
            QStringLiteral("An error occurred while reading the INPUT and OUTPUT files. The operation was aborted"), // msgdlgbtnProcessarErro1
            QStringLiteral("Error accessing Google API! Also check your internet connection"), // msgdlgbtnProcessarErro2
            QStringLiteral("NOT FOUND"), // msgdlgbtnProcessarErroArg1
            QStringLiteral("ERROR ACCESSING GOOGLE API - UNAVAILABILITY"), // msgdlgbtnProcessarErroArq2
            QStringLiteral("An error occurred while reading. The operation was aborted"), // msgdlgbtnProcessarErroArg3
            QStringLiteral("Processing completed SUCCESSFULLY."), // msgdlgbtnProcessarSucesso
            QStringLiteral("-Processed-"), // msgcmbxModo
        },
        {
            QStringLiteral(" Debes ingresar tu clave API "), // msglblKeyApi
            QStringLiteral(" direcciones a ser procesadas"), // msglblTotalLinhas
            QStringLiteral("Informar el archivo .CSV !"), // msgdlgbtnArquivoEnderecos
            QStringLiteral("Ocurrió un error al leer el archivo INPUT. La operación fue abortada"), // msgdlgbtnArquivoEnderecosErro
            QStringLiteral("¡Informe al directorio (carpeta) para grabar el archivo procesado con el cálculo de la ruta!"), // msgBrowseFolder
            QStringLiteral("-Procesada-"), // msgbtnDiretorioDestinoNomeArquivoFinal
            QStringLiteral("Ingrese el directorio/carpeta de destino para las direcciones procesadas."), // msgdlgbtnProcessar
            QStringLiteral("Ocurrió un error al leer los archivos INPUT y OUTPUT. La operación fue abortada"), // msgdlgbtnProcessarErro1
            QStringLiteral("¡Error al acceder a la API de Google! Comprueba también tu conexión a Internet"), // msgdlgbtnProcessarErro2
            QStringLiteral("NO ENCONTRADO"), // msgdlgbtnProcessarErroArg1
            QStringLiteral("ERROR AL ACCEDER A LA API DE GOOGLE - NO DISPONIBILIDAD"), // msgdlgbtnProcessarErroArq2
            QStringLiteral("Ocurrió un error durante la lectura. La operación fue abortada"), // msgdlgbtnProcessarErroArg3
            QStringLiteral("Procesamiento completado EXITOSAMENTE."), // msgdlgbtnProcessarSucesso
            QStringLiteral("-Procesada-"), // msgcmbxModo
        },
        {
            QStringLiteral(" Sie müssen Ihren API-Schlüssel eingeben "), // msglblKeyApi
            QStringLiteral(" zu bearbeitende Adressens"), // msglblTotalLinhas
            QStringLiteral("Informieren Sie die Datei .CSV !"), // msgdlgbtnArquivoEnderecos
            QStringLiteral("Beim Lesen der INPUT-Datei ist ein Fehler aufgetreten. Der Vorgang wurde abgebrochen"), // msgdlgbtnArquivoEnderecosErro
            QStringLiteral("Geben Sie das Verzeichnis (Ordner) für die Aufnahme der bearbeiteten Datei mit der Routenberechnung an!"), // msgBrowseFolder
            QStringLiteral("-Verarbeitet-"), // msgbtnDiretorioDestinoNomeArquivoFinal
            QStringLiteral("Geben Sie das Zielverzeichnis/den Zielordner für die verarbeiteten Adressen ein."), // msgdlgbtnProcessar
            QStringLiteral("Beim Lesen der INPUT- und OUTPUT-Dateien ist ein Fehler aufgetreten. Der Vorgang wurde abgebrochen"), // msgdlgbtnProcessarErro1
            QStringLiteral("Fehler beim Zugriff auf die Google API! Überprüfen Sie auch Ihre Internetverbindung"), // msgdlgbtnProcessarErro2
            QStringLiteral("NICHT GEFUNDEN"), // msgdlgbtnProcessarErroArg1
            QStringLiteral("FEHLER BEIM ZUGRIFF AUF GOOGLE API – NICHT VERFÜGBAR"), // msgdlgbtnProcessarErroArq2
            QStringLiteral("Beim Lesen ist ein Fehler aufgetreten. Der Vorgang wurde abgebrochen"), // msgdlgbtnProcessarErroArg3
            QStringLiteral("Verarbeitung ERFOLGREICH abgeschlossen."), // msgdlgbtnProcessarSucesso
            QStringLiteral("-Verarbeitet-"), // msgcmbxModo
        },
        {
            QStringLiteral(" Vous devez entrer votre clé API "), // msglblKeyApi
            QStringLiteral(" adresses à traiter"), // msglblTotalLinhas
            QStringLiteral("Entrez le fichier .CSV !"), // msgdlgbtnArquivoEnderecos
            QStringLiteral("Une erreur s'est produite lors de la lecture du fichier INPUT. L'opération a été annulée"), // msgdlgbtnArquivoEnderecosErro
            QStringLiteral("Renseignez le répertoire (dossier) d'enregistrement du fichier traité avec le calcul d'itinéraire !"), // msgBrowseFolder
            QStringLiteral("-Traité-"), // msgbtnDiretorioDestinoNomeArquivoFinal
            QStringLiteral("Entrez le répertoire/dossier de destination pour les adresses traitées"), // msgdlgbtnProcessar
            QStringLiteral("Une erreur s'est produite lors de la lecture des fichiers INPUT et OUTPUT. L'opération a été annulée"), // msgdlgbtnProcessarErro1
            QStringLiteral("Erreur lors de l'accès à l'API Google ! Vérifiez également votre connexion internet"), // msgdlgbtnProcessarErro2
            QStringLiteral("PAS TROUVÉ"), // msgdlgbtnProcessarErroArg1
            QStringLiteral("ERREUR D'ACCÈS À L'API GOOGLE - INDISPONIBILITÉ"), // msgdlgbtnProcessarErroArq2
            QStringLiteral("Une erreur s'est produite lors de la lecture. L'opération a été annulée"), // msgdlgbtnProcessarErroArg3
            QStringLiteral("Traitement terminé avec succès."), // msgdlgbtnProcessarSucesso
            QStringLiteral("-Traité-"), // msgcmbxModo
        },
        {
            QStringLiteral(" Потрібно ввести ключ API "), // msglblKeyApi
            QStringLiteral(" адреси, які підлягають обробці"), // msglblTotalLinhas
            QStringLiteral("Введіть файл .CSV!"), // msgdlgbtnArquivoEnderecos
            QStringLiteral("Під час читання файлу INPUT сталася помилка. Операцію перервали"), // msgdlgbtnArquivoEnderecosErro
            QStringLiteral("Повідомте каталог (папку) для запису обробленого файлу з розрахунком маршруту!"), // msgBrowseFolder
            QStringLiteral("-Оброблено-"), // msgbtnDiretorioDestinoNomeArquivoFinal
            QStringLiteral("Введіть каталог/папку призначення для оброблених адрес."), // msgdlgbtnProcessar
            QStringLiteral("Під час читання файлів INPUT і OUTPUT сталася помилка. Операцію перервали"), // msgdlgbtnProcessarErro1
            QStringLiteral("Помилка доступу до Google API! Також перевірте підключення до Інтернету"), // msgdlgbtnProcessarErro2
            QStringLiteral("НЕ ЗНАЙДЕНО"), // msgdlgbtnProcessarErroArg1
            QStringLiteral("ПОМИЛКА ДОСТУПУ GOOGLE API – НЕДОСТУПНО"), // msgdlgbtnProcessarErroArq2
            QStringLiteral("Під час читання сталася помилка. Операцію перервали"), // msgdlgbtnProcessarErroArg3
            QStringLiteral("Обробка УСПІШНО завершена."), // msgdlgbtnProcessarSucesso
            QStringLiteral("-Оброблено-"), // msgcmbxModo
        },
        {
            QStringLiteral(" 您需要输入您的 API 密钥 "), // msglblKeyApi
            QStringLiteral(" 待处理地址 "), // msglblTotalLinhas
            QStringLiteral(" 输入 .CSV 文件"), // msgdlgbtnArquivoEnderecos
            QStringLiteral("读取 INPUT 文件时发生错误。操作被中止"), // msgdlgbtnArquivoEnderecosErro
            QStringLiteral("用路径计算通知记录处理文件的目录（文件夹）"), // msgBrowseFolder
            QStringLiteral("- 处理 -"), // msgbtnDiretorioDestinoNomeArquivoFinal
            QStringLiteral("输入已处理地址的目标目录/文件夹"), // msgdlgbtnProcessar
            QStringLiteral("读取 INPUT 和 OUTPUT 文件时出错。操作被中止"), // msgdlgbtnProcessarErro1
            QStringLiteral(" 访问 Google API 时出错！还要检查您的互联网连接 "), // msgdlgbtnProcessarErro2
            QStringLiteral("未找到"), // msgdlgbtnProcessarErroArg1
            QStringLiteral("访问 GOOGLE API 时出错 - 不可用"), // msgdlgbtnProcessarErroArq2
            QStringLiteral("读取时发生错误。操作被中止"), // msgdlgbtnProcessarErroArg3
            QStringLiteral("处理成功完成"), // msgdlgbtnProcessarSucesso
            QStringLiteral("- 处理 -"), // msgcmbxModo
        },
    };
    return table[language];
}

} // namespace

const MessageSlots &messageSlots(int language)
{
    Q_ASSERT(isLanguageIndex(language));
    return slotsOf(language);
}

QStringList travelModeNames(int language)
{
    Q_ASSERT(isLanguageIndex(language));
    static const QStringList table[LanguageCount] = {
        {QStringLiteral("Dirigindo"), QStringLiteral("Andando"), QStringLiteral("Bicicleta")},
        {QStringLiteral("Driving"), QStringLiteral("Walking"), QStringLiteral("Bicycling")},
        {QStringLiteral("Conduciendo"), QStringLiteral("Caminando"), QStringLiteral("Bicicleta")},
        {QStringLiteral("Fahren"), QStringLiteral("Gehen"), QStringLiteral("Fahrrad")},
        {QStringLiteral("Conduite"), QStringLiteral("En marchant"), QStringLiteral("Vélo")},
        {QStringLiteral("водіння"), QStringLiteral("Прогулянка"), QStringLiteral("Велосипед")},
        {QStringLiteral("驾驶"), QStringLiteral("步行"), QStringLiteral("自行车")},
    };
    return table[language];
}

QStringList languageNames(int language)
{
    Q_ASSERT(isLanguageIndex(language));
    static const QStringList table[LanguageCount] = {
        {QStringLiteral("Português"), QStringLiteral("Inglês"), QStringLiteral("Espanhol"), QStringLiteral("Alemão"), QStringLiteral("Francês"), QStringLiteral("Ucraniano"), QStringLiteral("Chinês")},
        {QStringLiteral("Portuguese"), QStringLiteral("English"), QStringLiteral("Spanish"), QStringLiteral("German"), QStringLiteral("French"), QStringLiteral("Ukrainian"), QStringLiteral("Chinese")},
        {QStringLiteral("Portugués"), QStringLiteral("Inglés"), QStringLiteral("Español"), QStringLiteral("Alemán"), QStringLiteral("Francés"), QStringLiteral("Ucranio"), QStringLiteral("Chino")},
        {QStringLiteral("Portugiesisch"), QStringLiteral("Englisch"), QStringLiteral("Spanisch"), QStringLiteral("Deutsch"), QStringLiteral("Französisch"), QStringLiteral("Ukrainisch"), QStringLiteral("Chinesisch")},
        {QStringLiteral("Portugais"), QStringLiteral("Anglais"), QStringLiteral("Espagnol"), QStringLiteral("Allemand"), QStringLiteral("Français"), QStringLiteral("Ukrainien"), QStringLiteral("Chinois")},
        {QStringLiteral("португальська"), QStringLiteral("англійська"), QStringLiteral("іспанська"), QStringLiteral("німецька"), QStringLiteral("французький"), QStringLiteral("український"), QStringLiteral("китайський")},
        {QStringLiteral("葡萄牙语"), QStringLiteral("英语"), QStringLiteral("西班牙语"), QStringLiteral("德语"), QStringLiteral("法语"), QStringLiteral("乌克兰"), QStringLiteral("中国人")},
    };
    return table[language];
}

const QList<ControlText> &controlTexts(int language)
{
    Q_ASSERT(isLanguageIndex(language));
    static const QList<ControlText> table[LanguageCount] = {
        {
            {"tbshtRoteamento", ControlText::Caption, QStringLiteral("Processar rotas")},
            {"grpbxEnderecos", ControlText::Caption, QStringLiteral("Informe o arquivo com os endereços")},
            {"btbtnArquivoEnderecos", ControlText::Caption, QStringLiteral("Escolha o arquivo")},
            {"grpbxEnderecosDestino", ControlText::Caption, QStringLiteral("Informe o diretório destino para o arquivo processado com as rotas")},
            {"btbtnDiretorioDestino", ControlText::Caption, QStringLiteral("Escolha o diretório")},
            {"btbtnProcessar", ControlText::Caption, QStringLiteral("Processar rotas")},
            {"lblEnderecoAtual", ControlText::Caption, QStringLiteral("Endereço atual")},
            {"lblProgressogeral", ControlText::Caption, QStringLiteral("Progresso geral")},
            {"tbshtConfiguracao", ControlText::Caption, QStringLiteral("Configuração")},
            {"lblChaveApiGoogle", ControlText::Caption, QStringLiteral("Informe a sua chave da API Google")},
            {"lblKeyApi", ControlText::Caption, QStringLiteral("Como criar minha chave da API do Google Maps?")},
            {"lblParametroModoDeslocamento", ControlText::Caption, QStringLiteral("Parâmetro Modo Deslocamento")},
            {"lblIdiomaAplicativo", ControlText::Caption, QStringLiteral("Alterar idioma do aplicativo")},
            {"lblAparenciaAplicativo", ControlText::Caption, QStringLiteral("Alterar aparência do aplicativo")},
            {"tbshtSobre", ControlText::Caption, QStringLiteral("Sobre")},
            {"lblDescricaoAplicativo", ControlText::Caption, QStringLiteral("Programa  que estima tempo e quilometragem  entre endereços.")},
            {"lblVersao", ControlText::Caption, QStringLiteral("Versão 1.0")},
            {"lblVersaoWindows", ControlText::Caption, QStringLiteral("(para Windows 7 ou Superior)")},
            {"lblContato", ControlText::Caption, QStringLiteral("Contato")},
            {"lblLeiame", ControlText::Caption, QStringLiteral("Leia-me")},
            {"lblColaboracao", ControlText::Caption, QStringLiteral("Colaboração $$$")},
            {"lblLnkColaboracao", ControlText::Caption, QStringLiteral("Se este programa lhe foi útil faça uma colaboração clicando aqui")},
            {"icoBandeira", ControlText::Hint, QStringLiteral("Software Brasileiro e Pantaneiro")},
        },
        {
            {"tbshtRoteamento", ControlText::Caption, QStringLiteral("Process routes")},
            {"grpbxEnderecos", ControlText::Caption, QStringLiteral("Enter the file with the addresses")},
            {"btbtnArquivoEnderecos", ControlText::Caption, QStringLiteral("Choose the file")},
            {"grpbxEnderecosDestino", ControlText::Caption, QStringLiteral("Enter the destination directory for the processed file with the routes")},
            {"btbtnDiretorioDestino", ControlText::Caption, QStringLiteral("Choose directory")},
            {"btbtnProcessar", ControlText::Caption, QStringLiteral("Process routes")},
            {"lblEnderecoAtual", ControlText::Caption, QStringLiteral("Current address")},
            {"lblProgressogeral", ControlText::Caption, QStringLiteral("General progress")},
            {"tbshtConfiguracao", ControlText::Caption, QStringLiteral("Settings")},
            {"lblChaveApiGoogle", ControlText::Caption, QStringLiteral("Enter your Google API key")},
            {"lblKeyApi", ControlText::Caption, QStringLiteral("How to create my Google Maps API key?")},
            {"lblParametroModoDeslocamento", ControlText::Caption, QStringLiteral("Travel mode parameter")},
            {"lblIdiomaAplicativo", ControlText::Caption, QStringLiteral("Change app language")},
            {"lblAparenciaAplicativo", ControlText::Caption, QStringLiteral("Change app appearance")},
            {"tbshtSobre", ControlText::Caption, QStringLiteral("About")},
            {"lblDescricaoAplicativo", ControlText::Caption, QStringLiteral("Program that estimates time and mileage between addresses.")},
            {"lblVersao", ControlText::Caption, QStringLiteral("Version 1.0")},
            {"lblVersaoWindows", ControlText::Caption, QStringLiteral("(for Windows 7 or Higher)")},
            {"lblContato", ControlText::Caption, QStringLiteral("Contact")},
            {"lblLeiame", ControlText::Caption, QStringLiteral("Read me")},
            {"lblColaboracao", ControlText::Caption, QStringLiteral("Collaboration $$$")},
            {"lblLnkColaboracao", ControlText::Caption, QStringLiteral("This program was useful for a collaboration by clicking here")},
            {"icoBandeira", ControlText::Hint, QStringLiteral("Brazilian and Pantanal Software")},
        },
        {
            {"tbshtRoteamento", ControlText::Caption, QStringLiteral("Rutas de proceso")},
            {"grpbxEnderecos", ControlText::Caption, QStringLiteral("Ingrese el archivo con las direcciones")},
            {"btbtnArquivoEnderecos", ControlText::Caption, QStringLiteral("Elige el archivo")},
            {"grpbxEnderecosDestino", ControlText::Caption, QStringLiteral("Ingrese el directorio de destino para el archivo procesado con las rutas")},
            {"btbtnDiretorioDestino", ControlText::Caption, QStringLiteral("Elegir directorio")},
            {"btbtnProcessar", ControlText::Caption, QStringLiteral("Rutas de proceso")},
            {"lblEnderecoAtual", ControlText::Caption, QStringLiteral("Direccion actual")},
            {"lblProgressogeral", ControlText::Caption, QStringLiteral("Progreso general")},
            {"tbshtConfiguracao", ControlText::Caption, QStringLiteral("Ajustes")},
            {"lblChaveApiGoogle", ControlText::Caption, QStringLiteral("Introduce tu clave API de Google")},
            {"lblKeyApi", ControlText::Caption, QStringLiteral("¿Cómo crear mi clave API de Google Maps?")},
            {"lblParametroModoDeslocamento", ControlText::Caption, QStringLiteral("Parámetro de modo de desplazamiento")},
            {"lblIdiomaAplicativo", ControlText::Caption, QStringLiteral("Cambiar el idioma de la aplicación")},
            {"lblAparenciaAplicativo", ControlText::Caption, QStringLiteral("Cambiar la apariencia de la aplicación")},
            {"tbshtSobre", ControlText::Caption, QStringLiteral("Sobre")},
            {"lblDescricaoAplicativo", ControlText::Caption, QStringLiteral("Programa que estima tiempo y kilometraje entre direcciones.")},
            {"lblVersao", ControlText::Caption, QStringLiteral("Versión 1.0")},
            {"lblVersaoWindows", ControlText::Caption, QStringLiteral("(para Windows 7 o superior)")},
            {"lblContato", ControlText::Caption, QStringLiteral("Contacto")},
            {"lblLeiame", ControlText::Caption, QStringLiteral("Leeme")},
            {"lblColaboracao", ControlText::Caption, QStringLiteral("Colaboración $$$")},
            {"lblLnkColaboracao", ControlText::Caption, QStringLiteral("Este programa fue útil para una colaboración haciendo clic aquí")},
            {"icoBandeira", ControlText::Hint, QStringLiteral("Software Brasileño y Pantanal")},
        },
        {
            {"tbshtRoteamento", ControlText::Caption, QStringLiteral("Prozesswege")},
            {"grpbxEnderecos", ControlText::Caption, QStringLiteral("Geben Sie die Datei mit den Adressen ein")},
            {"btbtnArquivoEnderecos", ControlText::Caption, QStringLiteral("wählen Sie die Datei aus")},
            {"grpbxEnderecosDestino", ControlText::Caption, QStringLiteral("Geben Sie das Zielverzeichnis für die verarbeitete Datei mit den Routen ein")},
            {"btbtnDiretorioDestino", ControlText::Caption, QStringLiteral("Verzeichnis auswählen")},
            {"btbtnProcessar", ControlText::Caption, QStringLiteral("Prozesswege")},
            {"lblEnderecoAtual", ControlText::Caption, QStringLiteral("Momentane Adresse")},
            {"lblProgressogeral", ControlText::Caption, QStringLiteral("allgemeiner Fortschritt")},
            {"tbshtConfiguracao", ControlText::Caption, QStringLiteral("Einstellungen")},
            {"lblChaveApiGoogle", ControlText::Caption, QStringLiteral("Geben Sie Ihren Google-API-Schlüssel ein")},
            {"lblKeyApi", ControlText::Caption, QStringLiteral("Wie erstelle ich meinen Google Maps-API-Schlüssel?")},
            {"lblParametroModoDeslocamento", ControlText::Caption, QStringLiteral("Verschiebungsmodus-Parameter")},
            {"lblIdiomaAplicativo", ControlText::Caption, QStringLiteral("App-Sprache ändern")},
            {"lblAparenciaAplicativo", ControlText::Caption, QStringLiteral("Aussehen der App ändern")},
            {"tbshtSobre", ControlText::Caption, QStringLiteral("Auf")},
            {"lblDescricaoAplicativo", ControlText::Caption, QStringLiteral("Programm, das Zeit und Kilometer zwischen Adressen schätzt.")},
            {"lblVersao", ControlText::Caption, QStringLiteral("Version 1.0")},
            {"lblVersaoWindows", ControlText::Caption, QStringLiteral("(für Windows 7 oder höher)")},
            {"lblContato", ControlText::Caption, QStringLiteral("Kontakt")},
            {"lblLeiame", ControlText::Caption, QStringLiteral("Liesmich")},
            {"lblColaboracao", ControlText::Caption, QStringLiteral("Zusammenarbeit $$$")},
            {"lblLnkColaboracao", ControlText::Caption, QStringLiteral("Dieses Programm war nützlich für eine Zusammenarbeit, indem Sie hier klicken")},
            {"icoBandeira", ControlText::Hint, QStringLiteral("Brasilianische und Pantanal-Software")},
        },
        {
            {"tbshtRoteamento", ControlText::Caption, QStringLiteral("Itinéraires de processus")},
            {"grpbxEnderecos", ControlText::Caption, QStringLiteral("Entrez le fichier avec les adresses")},
            {"btbtnArquivoEnderecos", ControlText::Caption, QStringLiteral("Choisissez le fichier")},
            {"grpbxEnderecosDestino", ControlText::Caption, QStringLiteral("Entrez le répertoire de destination du fichier traité avec les routes")},
            {"btbtnDiretorioDestino", ControlText::Caption, QStringLiteral("Choisir le répertoire")},
            {"btbtnProcessar", ControlText::Caption, QStringLiteral("Itinéraires de processus")},
            {"lblEnderecoAtual", ControlText::Caption, QStringLiteral("Adresse actuelle")},
            {"lblProgressogeral", ControlText::Caption, QStringLiteral("Progrès général")},
            {"tbshtConfiguracao", ControlText::Caption, QStringLiteral("Réglages")},
            {"lblChaveApiGoogle", ControlText::Caption, QStringLiteral("Entrez votre clé API Google")},
            {"lblKeyApi", ControlText::Caption, QStringLiteral("Comment créer ma clé API Google Maps ?")},
            {"lblParametroModoDeslocamento", ControlText::Caption, QStringLiteral("Paramètre de mode de déplacement")},
            {"lblIdiomaAplicativo", ControlText::Caption, QStringLiteral("Changer la langue de l'application")},
            {"lblAparenciaAplicativo", ControlText::Caption, QStringLiteral("Modifier l'apparence de l'application")},
            {"tbshtSobre", ControlText::Caption, QStringLiteral("À propos de")},
            {"lblDescricaoAplicativo", ControlText::Caption, QStringLiteral("Programme qui estime le temps et le kilométrage entre les adresses.")},
            {"lblVersao", ControlText::Caption, QStringLiteral("Version 1.0")},
            {"lblVersaoWindows", ControlText::Caption, QStringLiteral("(pour Windows 7 ou supérieur)")},
            {"lblContato", ControlText::Caption, QStringLiteral("Contact")},
            {"lblLeiame", ControlText::Caption, QStringLiteral("Lis moi")},
            {"lblColaboracao", ControlText::Caption, QStringLiteral("Collaboration $$$")},
            {"lblLnkColaboracao", ControlText::Caption, QStringLiteral("Ce programme a été utile pour une collaboration en cliquant ici")},
            {"icoBandeira", ControlText::Hint, QStringLiteral("Logiciel Brésilien et Pantanal")},
        },
        {
            {"tbshtRoteamento", ControlText::Caption, QStringLiteral("технологічні маршрути")},
            {"grpbxEnderecos", ControlText::Caption, QStringLiteral("Введіть файл з адресами")},
            {"btbtnArquivoEnderecos", ControlText::Caption, QStringLiteral("виберіть файл")},
            {"grpbxEnderecosDestino", ControlText::Caption, QStringLiteral("Введіть каталог призначення для обробленого файлу з маршрутами")},
            {"btbtnDiretorioDestino", ControlText::Caption, QStringLiteral("вибрати каталог")},
            {"btbtnProcessar", ControlText::Caption, QStringLiteral("технологічні маршрути")},
            {"lblEnderecoAtual", ControlText::Caption, QStringLiteral("Поточна адреса")},
            {"lblProgressogeral", ControlText::Caption, QStringLiteral("загальний прогрес")},
            {"tbshtConfiguracao", ControlText::Caption, QStringLiteral("Налаштування")},
            {"lblChaveApiGoogle", ControlText::Caption, QStringLiteral("Введіть ключ API Google")},
            {"lblKeyApi", ControlText::Caption, QStringLiteral("Як створити мій ключ API Карт Google?")},
            {"lblParametroModoDeslocamento", ControlText::Caption, QStringLiteral("Параметр режиму переміщення")},
            {"lblIdiomaAplicativo", ControlText::Caption, QStringLiteral("Змінити мову програми")},
            {"lblAparenciaAplicativo", ControlText::Caption, QStringLiteral("Змінити зовнішній вигляд програми")},
            {"tbshtSobre", ControlText::Caption, QStringLiteral("Про")},
            {"lblDescricaoAplicativo", ControlText::Caption, QStringLiteral("Програма, яка оцінює час і пробіг між адресами.")},
            {"lblVersao", ControlText::Caption, QStringLiteral("Версія 1.0")},
            {"lblVersaoWindows", ControlText::Caption, QStringLiteral("(для Windows 7 або вище)")},
            {"lblContato", ControlText::Caption, QStringLiteral("Контакти")},
            {"lblLeiame", ControlText::Caption, QStringLiteral("читай мене")},
            {"lblColaboracao", ControlText::Caption, QStringLiteral("Співпраця $$$")},
            {"lblLnkColaboracao", ControlText::Caption, QStringLiteral("Ця програма була корисною для співпраці, натиснувши тут")},
            {"icoBandeira", ControlText::Hint, QStringLiteral("Програмне забезпечення бразильського та Pantanal")},
        },
        {
            {"tbshtRoteamento", ControlText::Caption, QStringLiteral("工艺路线")},
            {"grpbxEnderecos", ControlText::Caption, QStringLiteral("输入带有地址的文件")},
            {"btbtnArquivoEnderecos", ControlText::Caption, QStringLiteral("选择文件")},
            {"grpbxEnderecosDestino", ControlText::Caption, QStringLiteral("输入带有路由的已处理文件的目标目录")},
            {"btbtnDiretorioDestino", ControlText::Caption, QStringLiteral("选择目录")},
            {"btbtnProcessar", ControlText::Caption, QStringLiteral("工艺路线")},
            {"lblEnderecoAtual", ControlText::Caption, QStringLiteral("目前的地址")},
            {"lblProgressogeral", ControlText::Caption, QStringLiteral("总体进展")},
            {"tbshtConfiguracao", ControlText::Caption, QStringLiteral("设置")},
            {"lblChaveApiGoogle", ControlText::Caption, QStringLiteral("输入您的 Google API 密钥")},
            {"lblKeyApi", ControlText::Caption, QStringLiteral("如何创建我的 Google Maps API 密钥？")},
            {"lblParametroModoDeslocamento", ControlText::Caption, QStringLiteral("位移模式参数o")},
            {"lblIdiomaAplicativo", ControlText::Caption, QStringLiteral("更改应用语言")},
            {"lblAparenciaAplicativo", ControlText::Caption, QStringLiteral("改变外观")},
            {"tbshtSobre", ControlText::Caption, QStringLiteral("关于")},
            {"lblDescricaoAplicativo", ControlText::Caption, QStringLiteral("估计地址之间的时间和里程的程序")},
            {"lblVersao", ControlText::Caption, QStringLiteral("1.0 版")},
            {"lblVersaoWindows", ControlText::Caption, QStringLiteral("（适用于 Windows 7 或更高版本）")},
            {"lblContato", ControlText::Caption, QStringLiteral("接触")},
            {"lblLeiame", ControlText::Caption, QStringLiteral("读我")},
            {"lblColaboracao", ControlText::Caption, QStringLiteral("合作$$$")},
            {"lblLnkColaboracao", ControlText::Caption, QStringLiteral("通过单击此处，该程序对协作很有用")},
            {"icoBandeira", ControlText::Hint, QStringLiteral("巴西和潘塔纳尔软件")},
        },
    };
    return table[language];
}

} // namespace trajetix
