<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="sk_SK" sourcelanguage="en">
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Usage: %1</source>
        <translation>Použitie: %1</translation>
    </message>
    <message>
        <source>Options:</source>
        <translation>Voľby:</translation>
    </message>
    <message>
        <source>Arguments:</source>
        <translation>Argumenty:</translation>
    </message>
    <message>
        <source>[options]</source>
        <translation>[voľby]</translation>
    </message>
    <message>
        <source>Unknown option &apos;%1&apos;.</source>
        <translation>Neznáma voľba &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Unknown options: %1.</source>
        <translation>Neznáme voľby: %1.</translation>
    </message>
    <message>
        <source>Missing value after &apos;%1&apos;.</source>
        <translation>Chýba hodnota po &apos;%1&apos;.</translation>
    </message>
    <message>
        <source>Unexpected value after &apos;%1&apos;.</source>
        <translation>Nečakaná hodnota po &apos;%1&apos;.</translation>
    </message>
</context>
<context>
    <name>RowTexts</name>
    <message>
        <source>Waiting to start</source>
        <translation>Čaká na začiatok</translation>
    </message>
    <message>
        <source>Reading the version</source>
        <translation>Číta sa verzia</translation>
    </message>
    <message>
        <source>Sent; waiting for the answer</source>
        <translation>Odoslané; čaká sa na odpoveď</translation>
    </message>
    <message>
        <source>Sending: %1 of %2 bytes (%3 %)</source>
        <translation>Odosiela sa: %1 z %2 bajtov (%3 %)</translation>
    </message>
    <message>
        <source>Uploaded; waiting for the restart</source>
        <translation>Nahrané; čaká sa na reštart</translation>
    </message>
    <message>
        <source>Not started: cancelled</source>
        <translation>Nezačaté: zrušené</translation>
    </message>
    <message>
        <source>Updated and verified</source>
        <translation>Aktualizované a overené</translation>
    </message>
    <message>
        <source>Uploaded</source>
        <translation>Nahrané</translation>
    </message>
    <message>
        <source>Not updated: the version is current</source>
        <translation>Neaktualizované: verzia je aktuálna</translation>
    </message>
    <message>
        <source>Checked</source>
        <translation>Skontrolované</translation>
    </message>
    <message>
        <source>Failed: came back on %1, not %2</source>
        <translation>Chyba: ozvala sa s verziou %1, nie %2</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Chyba</translation>
    </message>
    <message>
        <source>Failed: %1</source>
        <translation>Chyba: %1</translation>
    </message>
    <message>
        <source>Uploaded; not back within %1 s: unverified</source>
        <translation>Nahrané; do %1 s sa neozvala: neoverené</translation>
    </message>
</context>
<context>
    <name>app::DeviceText</name>
    <message>
        <source>(%1 characters)</source>
        <translation>(%1 znakov)</translation>
    </message>
</context>
<context>
    <name>app::RegisterModel</name>
    <message>
        <source>Address</source>
        <translation>Adresa</translation>
    </message>
    <message>
        <source>Installed version</source>
        <translation>Nainštalovaná verzia</translation>
    </message>
    <message>
        <source>Update to %1</source>
        <translation>Aktualizácia na %1</translation>
    </message>
    <message>
        <source>Version after</source>
        <translation>Verzia potom</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Priebeh</translation>
    </message>
    <message>
        <source>Needed</source>
        <translation>Potrebná</translation>
    </message>
    <message>
        <source>Up to date</source>
        <translation>Aktuálna</translation>
    </message>
    <message>
        <source>Newer: would go back</source>
        <translation>Novšia: vrátila by sa späť</translation>
    </message>
    <message>
        <source>Version unreadable</source>
        <translation>Verzia nečitateľná</translation>
    </message>
</context>
<context>
    <name>app::ShopWindow</name>
    <message>
        <source>Registers in the network - ZEDEZ Updater</source>
        <translation>Pokladnice v sieti - Aktualizácia ZEDEZ</translation>
    </message>
    <message>
        <source>This PC has no private IPv4 network; type the range to search.</source>
        <translation>Tento počítač nie je v žiadnej súkromnej sieti IPv4; napíšte rozsah, ktorý sa má prehľadať.</translation>
    </message>
    <message>
        <source>Search the range for registers, or type another one.</source>
        <translation>Prehľadajte rozsah, alebo napíšte iný.</translation>
    </message>
    <message>
        <source>Range to search</source>
        <translation>Rozsah na prehľadanie</translation>
    </message>
    <message>
        <source>for example 192.168.1.0/24</source>
        <translation>napríklad 192.168.1.0/24</translation>
    </message>
    <message>
        <source>&amp;Search</source>
        <translation>&amp;Hľadať</translation>
    </message>
    <message>
        <source>Search</source>
        <translation>Hľadať</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Priebeh</translation>
    </message>
    <message>
        <source>Registers found</source>
        <translation>Nájdené pokladnice</translation>
    </message>
    <message>
        <source>Checked registers are updated; the space bar checks or unchecks the current one.</source>
        <translation>Označené pokladnice sa aktualizujú; medzerník označí alebo odznačí aktuálny riadok.</translation>
    </message>
    <message>
        <source>Registers updated at once</source>
        <translation>Počet pokladníc aktualizovaných naraz</translation>
    </message>
    <message>
        <source>&amp;Update selected</source>
        <translation>&amp;Aktualizovať označené</translation>
    </message>
    <message>
        <source>Update selected</source>
        <translation>Aktualizovať označené</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Zrušiť</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Zrušiť</translation>
    </message>
    <message>
        <source>Save the recor&amp;d...</source>
        <translation>&amp;Uložiť záznam...</translation>
    </message>
    <message>
        <source>Save the record</source>
        <translation>Uložiť záznam</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Zavrieť</translation>
    </message>
    <message>
        <source>The range cannot be searched: %1</source>
        <translation>Rozsah sa nedá prehľadať: %1</translation>
    </message>
    <message>
        <source>The range holds %1 addresses; a search covers at most %2 (a /%3).</source>
        <translation>Rozsah má %1 adries; hľadanie pokryje najviac %2 (/%3).</translation>
    </message>
    <message>
        <source>No register answered in the range.</source>
        <translation>V rozsahu sa neozvala žiadna pokladnica.</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Update them too</source>
        <translation>Aktualizovať aj tieto</translation>
    </message>
    <message>
        <source>Nothing was updated.</source>
        <translation>Nič sa neaktualizovalo.</translation>
    </message>
    <message>
        <source>Updating: %1 of %2 registers done...</source>
        <translation>Aktualizuje sa: hotovo %1 z %2 pokladníc...</translation>
    </message>
    <message>
        <source>Done: %1 updated (%2 verified, %3 not back), %4 failed, %5 not updated, %6 not started.</source>
        <translation>Hotovo: nahrané %1 (overené %2, neozvali sa %3), chyba %4, neaktualizované %5, nezačaté %6.</translation>
    </message>
    <message>
        <source>The record file was not written: %1</source>
        <translation>Do súboru záznamu sa nezapísalo: %1</translation>
    </message>
    <message>
        <source>Cancelling the search...</source>
        <translation>Hľadanie sa ruší...</translation>
    </message>
    <message>
        <source>Cancelling: no further register starts; those under way finish.</source>
        <translation>Ruší sa: ďalšia pokladnica sa nezačne; rozbehnuté sa dokončia.</translation>
    </message>
    <message>
        <source>Record (*.jsonl);;All files (*)</source>
        <translation>Záznam (*.jsonl);;Všetky súbory (*)</translation>
    </message>
    <message>
        <source>The record could not be saved: %1</source>
        <translation>Záznam sa nedal uložiť: %1</translation>
    </message>
    <message>
        <source>The window closes once the registers under way are done...</source>
        <translation>Okno sa zavrie, keď sa rozbehnuté pokladnice dokončia...</translation>
    </message>
    <message>
        <source>Searching...</source>
        <translation>Hľadá sa...</translation>
    </message>
    <message>
        <source>Search cancelled after %1 of %2 addresses. Registers found: %3.</source>
        <translation>Hľadanie zrušené po %1 z %2 adries. Nájdené pokladnice: %3.</translation>
    </message>
    <message>
        <source>Registers found: %1. Needing the update, and selected: %2.</source>
        <translation>Nájdené pokladnice: %1. Treba aktualizovať (sú označené): %2.</translation>
    </message>
    <message>
        <source>Updating...</source>
        <translation>Aktualizuje sa...</translation>
    </message>
    <message>
        <source>Addresses such as 192.168.1.20, or blocks such as 192.168.1.0/24, separated by commas; each block at most a /%1.</source>
        <translation>Adresy, napríklad 192.168.1.20, alebo bloky, napríklad 192.168.1.0/24, oddelené čiarkami; každý blok najviac /%1.</translation>
    </message>
    <message>
        <source>All registers</source>
        <translation>Všetky pokladnice</translation>
    </message>
    <message>
        <source>Those needing the update</source>
        <translation>Tie, ktoré potrebujú aktualizáciu</translation>
    </message>
    <message>
        <source>Those that failed</source>
        <translation>Tie, pri ktorých to zlyhalo</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Zobraziť</translation>
    </message>
    <message>
        <source>Select a&amp;ll</source>
        <translation>Označiť vš&amp;etky</translation>
    </message>
    <message>
        <source>Select all shown</source>
        <translation>Označiť všetky zobrazené</translation>
    </message>
    <message>
        <source>Select &amp;none</source>
        <translation>&amp;Odznačiť všetky</translation>
    </message>
    <message>
        <source>Select none of those shown</source>
        <translation>Odznačiť všetky zobrazené</translation>
    </message>
    <message>
        <source>Show those that failed</source>
        <translation>Zobraziť tie, pri ktorých to zlyhalo</translation>
    </message>
    <message>
        <source>&amp;Retry failed</source>
        <translation>Zo&amp;pakovať zlyhané</translation>
    </message>
    <message>
        <source>Retry failed</source>
        <translation>Zopakovať zlyhané</translation>
    </message>
    <message>
        <source>Adds the lines of this window&apos;s updates to the end of a file; lines already in that file are not written again.</source>
        <translation>Pridá riadky aktualizácií z tohto okna na koniec súboru; riadky, ktoré už v ňom sú, sa znova nezapíšu.</translation>
    </message>
    <message>
        <source>Cl&amp;ose</source>
        <translation>Za&amp;vrieť</translation>
    </message>
    <message>
        <source>R&amp;ange:</source>
        <translation>&amp;Rozsah:</translation>
    </message>
    <message>
        <source>S&amp;how:</source>
        <translation>Zo&amp;braziť:</translation>
    </message>
    <message>
        <source>At onc&amp;e:</source>
        <translation>&amp;Naraz:</translation>
    </message>
    <message>
        <source>Registers: %1. Needing the update: %2, up to date: %3, newer: %4, unreadable: %5. Selected: %6.</source>
        <translation>Pokladnice: %1. Potrebujú aktualizáciu: %2, aktuálne: %3, novšie: %4, nečitateľné: %5. Označené: %6.</translation>
    </message>
    <message>
        <source>&amp;Failed: %1</source>
        <translation>Zl&amp;yhalo: %1</translation>
    </message>
    <message>
        <source>%1 of %2 addresses</source>
        <translation>%1 z %2 adries</translation>
    </message>
    <message>
        <source>%1 of %2 registers</source>
        <translation>%1 z %2 pokladníc</translation>
    </message>
    <message>
        <source>%1 spent</source>
        <translation>uplynulo %1</translation>
    </message>
    <message>
        <source>about %1 left</source>
        <translation>zostáva asi %1</translation>
    </message>
    <message>
        <source>These selected registers do not need the update:
%1

They get version %2: selecting them is the answer to the question about them, and a newer register goes back to this version. Update them too?</source>
        <translation>Tieto označené pokladnice aktualizáciu nepotrebujú:
%1

Dostanú verziu %2: ich označenie je odpoveďou na otázku o nich, a novšia pokladnica sa vráti späť na túto verziu. Aktualizovať aj tieto?</translation>
    </message>
    <message>
        <source>Shown now: those that failed.</source>
        <translation>Zobrazené sú teraz tie, pri ktorých to zlyhalo.</translation>
    </message>
    <message>
        <source>Add the record to the end of a file</source>
        <translation>Pridať záznam na koniec súboru</translation>
    </message>
    <message>
        <source>Nothing added: %1 already holds every line of this window.</source>
        <translation>Nič sa nepridalo: %1 už obsahuje každý riadok z tohto okna.</translation>
    </message>
    <message>
        <source>Lines added to the end of %1: %2.</source>
        <translation>Riadky pridané na koniec %1: %2.</translation>
    </message>
</context>
<context>
    <name>zedez</name>
    <message>
        <source>no terminal to answer &quot;%1&quot;: the answer is Cancel (--yes uploads anyway)</source>
        <translation>niet terminálu na odpoveď „%1“: odpoveď je Zrušiť (--yes nahrá aj tak)</translation>
    </message>
    <message>
        <source>Updates ZEDEZ in a Brenvo Tesmora cash register. Without an address the window opens;
with one the update runs at once and the program ends by itself.

Exit codes: a device list, a scan, a check and --history give theirs always; the single
update gives 0 unless --exit-status is given.
  0   uploaded (and verified, when waited for), or checked with nothing to update
  %1   failed, not back after the restart, not started, or a record not written
  %2   declined: the device is current and the answer was No, or the plan was declined
  %3   nothing to do: the device list names no device
  %4  a wrong command line
  %5  the record file cannot be written: nothing was sent
  %6 checked: a device is older than this image (an update is available)
  %7 (128 + the signal) ended by SIGINT, SIGTERM or SIGHUP after the running
      uploads finished; %8 standard output was closed

At a terminal a device list first reads every register, shows what it would do and asks
once; --yes skips that.</source>
        <translation>Aktualizuje ZEDEZ v pokladnici Brenvo Tesmora. Bez adresy sa otvorí okno;
s adresou sa aktualizácia spustí hneď a program skončí sám.

Návratové kódy: zoznam zariadení, hľadanie, kontrola a --history ich dávajú vždy; jedna
aktualizácia dáva 0, ak nie je zadané --exit-status.
  0   nahraté (a overené, ak sa čakalo), alebo skontrolované a niet čo aktualizovať
  %1   zlyhané, po reštarte sa nevrátilo, nezačaté, alebo záznam nezapísaný
  %2   odmietnuté: zariadenie je aktuálne a odpoveď bola Nie, alebo plán bol odmietnutý
  %3   niet čo robiť: zoznam zariadení neobsahuje žiadne zariadenie
  %4  nesprávny príkazový riadok
  %5  do súboru záznamu sa nedá zapisovať: nič sa neodoslalo
  %6 skontrolované: niektoré zariadenie má staršiu verziu ako tento obraz (je aktualizácia)
  %7 (128 + signál) ukončené signálom SIGINT, SIGTERM alebo SIGHUP po dobehnutí
      bežiacich nahrávaní; %8 štandardný výstup bol zatvorený

Pri termináli zoznam zariadení najprv prečíta každú pokladnicu, ukáže, čo urobí, a raz sa
opýta; --yes to preskočí.</translation>
    </message>
    <message>
        <source>Show this help and end.</source>
        <translation>Ukáže túto pomoc a skončí.</translation>
    </message>
    <message>
        <source>Show the version and the firmware image.</source>
        <translation>Ukáže verziu a obraz firmvéru.</translation>
    </message>
    <message>
        <source>Run without a window, also where a display is available.</source>
        <translation>Beží bez okna, aj keď je displej k dispozícii.</translation>
    </message>
    <message>
        <source>Upload also to a current device, without asking.</source>
        <translation>Nahrá aj do aktuálneho zariadenia, bez otázky.</translation>
    </message>
    <message>
        <source>Upload nothing to a current device, without asking.</source>
        <translation>Do aktuálneho zariadenia nenahrá nič, bez otázky.</translation>
    </message>
    <message>
        <source>Read the version and tell whether an upload would ask; upload nothing.</source>
        <translation>Prečíta verziu a povie, či by sa nahrávanie pýtalo; nič nenahrá.</translation>
    </message>
    <message>
        <source>Print the outcome as one JSON object per device.</source>
        <translation>Vypíše výsledok ako jeden objekt JSON na zariadenie.</translation>
    </message>
    <message>
        <source>Make the exit code of the single update tell its outcome.</source>
        <translation>Návratový kód jednej aktualizácie povie jej výsledok.</translation>
    </message>
    <message>
        <source>Write each step with its time to standard error: connect, request, answer, bytes, time-outs.</source>
        <translation>Píše každý krok s časom na štandardný chybový výstup: spojenie, požiadavku, odpoveď, bajty, časové limity.</translation>
    </message>
    <message>
        <source>Append one JSON line per device to FILE: time, host, user, address, versions before and after, image, result, verification, cause.</source>
        <translation>Pripíše do SÚBORU jeden riadok JSON na zariadenie: čas, počítač, používateľa, adresu, verzie pred a po, obraz, výsledok, overenie, príčinu.</translation>
    </message>
    <message>
        <source>Open the window that finds the registers in this PC&apos;s networks, shows their versions and updates those selected (with --record: appends there).</source>
        <translation>Otvorí okno, ktoré nájde pokladnice v sieťach tohto počítača, ukáže ich verzie a aktualizuje vybraté (s --record: pripisuje tam).</translation>
    </message>
    <message>
        <source>The cash register&apos;s address (an IPv4 address or a host name).</source>
        <translation>Adresa pokladnice (adresa IPv4 alebo meno počítača).</translation>
    </message>
    <message>
        <source>a second address &quot;%1&quot;: give one address, or a list of them with --devices</source>
        <translation>druhá adresa „%1“: zadajte jednu adresu alebo ich zoznam cez --devices</translation>
    </message>
    <message>
        <source>give a device address, --devices or --scan, not several</source>
        <translation>zadajte adresu zariadenia, --devices alebo --scan, nie viac naraz</translation>
    </message>
    <message>
        <source>--history only reads a record; it runs nothing else</source>
        <translation>--history len číta záznam; nič iné nespúšťa</translation>
    </message>
    <message>
        <source>--registers opens a window of its own; it takes no address, --headless, --check, --devices, --scan, --history or --verbose</source>
        <translation>--registers otvára vlastné okno; neberie adresu, --headless, --check, --devices, --scan, --history ani --verbose</translation>
    </message>
    <message>
        <source>--wait-restart does nothing with --check: a check uploads nothing</source>
        <translation>--wait-restart nemá s --check účinok: kontrola nič nenahráva</translation>
    </message>
    <message>
        <source>--yes and --no do nothing with --check: a check uploads nothing</source>
        <translation>--yes a --no nemajú s --check účinok: kontrola nič nenahráva</translation>
    </message>
    <message>
        <source>--scan only finds registers; to update or check them, feed its output to --devices -</source>
        <translation>--scan pokladnice len nájde; na ich aktualizáciu alebo kontrolu pošlite jeho výstup do --devices -</translation>
    </message>
    <message>
        <source>--jobs needs a list of devices (--devices)</source>
        <translation>--jobs potrebuje zoznam zariadení (--devices)</translation>
    </message>
    <message>
        <source>--check needs a device address</source>
        <translation>--check potrebuje adresu zariadenia</translation>
    </message>
    <message>
        <source>--yes and --no exclude each other</source>
        <translation>--yes a --no sa navzájom vylučujú</translation>
    </message>
    <message>
        <source>y,yes</source>
        <extracomment>The answers that mean yes at the y/N question, separated by commas, in lower case.</extracomment>
        <translation>a,áno,ano</translation>
    </message>
    <message>
        <source>Try &apos;zedez-updater --help&apos;.</source>
        <translation>Skúste &apos;zedez-updater --help&apos;.</translation>
    </message>
    <message>
        <source>[y/N]</source>
        <extracomment>The choices shown after the question: the answer for yes, and No, the default.</extracomment>
        <translation>[a/N]</translation>
    </message>
    <message>
        <source>%1 is listed %2 times; it runs once</source>
        <translation>%1 je v zozname %2-krát; spustí sa raz</translation>
    </message>
    <message>
        <source>interrupted by %1: the scan stops; found so far:</source>
        <translation>prerušené signálom %1: hľadanie končí; doteraz nájdené:</translation>
    </message>
    <message>
        <source>asking %1 addresses of %2, %4 at once (at most %3 s each)</source>
        <translation>pýtam sa %1 adries z %2, %4 naraz (každej najviac %3 s)</translation>
    </message>
    <message>
        <source>scanned %1 addresses of %2: %3 register found</source>
        <translation>prehľadaných %1 adries z %2: nájdená %3 pokladnica</translation>
    </message>
    <message>
        <source>scanned %1 addresses of %2: %3 registers found</source>
        <translation>prehľadaných %1 adries z %2: nájdených pokladníc: %3</translation>
    </message>
    <message>
        <source>interrupted by %1: no further device starts; the running ones finish (a second signal ends at once)</source>
        <translation>prerušené signálom %1: ďalšie zariadenie sa nezačne; bežiace dobehnú (druhý signál skončí hneď)</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is no device address: give an IPv4 address or a host name, without port, scheme or path</source>
        <translation>„%1“ nie je adresa zariadenia: zadajte adresu IPv4 alebo meno počítača, bez portu, schémy a cesty</translation>
    </message>
    <message>
        <source>cannot read the device list %1: %2</source>
        <translation>zoznam zariadení %1 sa nedá čítať: %2</translation>
    </message>
    <message>
        <source>the device list names no device: nothing to do</source>
        <translation>zoznam zariadení neobsahuje žiadne zariadenie: niet čo robiť</translation>
    </message>
    <message>
        <source>state query</source>
        <translation>dopyt na stav</translation>
    </message>
    <message>
        <source>upload</source>
        <translation>nahrávanie</translation>
    </message>
    <message>
        <source>%1 to %2</source>
        <translation>%1 na %2</translation>
    </message>
    <message>
        <source>waiting for the state of %1 (at most %2 s)</source>
        <translation>čakám na stav od %1 (najviac %2 s)</translation>
    </message>
    <message>
        <source>image sent; waiting for the answer of %1 (at most %2 s)</source>
        <translation>obraz odoslaný; čakám na odpoveď od %1 (najviac %2 s)</translation>
    </message>
    <message>
        <source>, %1 bytes</source>
        <translation>, %1 bajtov</translation>
    </message>
    <message>
        <source> (at most %1 s)</source>
        <translation> (najviac %1 s)</translation>
    </message>
    <message>
        <source>connected</source>
        <translation>spojené</translation>
    </message>
    <message>
        <source>%1 of %2 bytes sent</source>
        <translation>odoslaných %1 z %2 bajtov</translation>
    </message>
    <message>
        <source>waiting for the answer (at most %1 s)</source>
        <translation>čakám na odpoveď (najviac %1 s)</translation>
    </message>
    <message>
        <source>answer %1</source>
        <translation>odpoveď %1</translation>
    </message>
    <message>
        <source>failed: %1</source>
        <translation>zlyhalo: %1</translation>
    </message>
    <message>
        <source>waiting for the register to come back (at most %1 s)</source>
        <translation>čakám, kým sa pokladnica vráti (najviac %1 s)</translation>
    </message>
    <message>
        <source>back after %1 s, version %2</source>
        <translation>späť po %1 s, verzia %2</translation>
    </message>
    <message>
        <source>verification failed: %1</source>
        <translation>overenie zlyhalo: %1</translation>
    </message>
    <message>
        <source>not back within %1 s: the update is unverified</source>
        <translation>do %1 s sa nevrátila: aktualizácia je neoverená</translation>
    </message>
    <message>
        <source>interrupted by %1 while waiting for the register to come back: the update is unverified</source>
        <translation>prerušené signálom %1 počas čakania na návrat pokladnice: aktualizácia je neoverená</translation>
    </message>
    <message>
        <source>interrupted by %1 before the image was sent</source>
        <translation>prerušené signálom %1 pred odoslaním obrazu</translation>
    </message>
    <message>
        <source>interrupted by %1 after at least %2 of %3 bytes of the image: the upload is cut off</source>
        <translation>prerušené signálom %1 po najmenej %2 z %3 bajtov obrazu: nahrávanie je odrezané</translation>
    </message>
    <message>
        <source>interrupted by %1 after %2 of %3 bytes of the image: the upload is cut off</source>
        <translation>prerušené signálom %1 po %2 z %3 bajtov obrazu: nahrávanie je odrezané</translation>
    </message>
    <message>
        <source>interrupted by %1 after the whole image was sent (%2 bytes), before the register answered</source>
        <translation>prerušené signálom %1 po odoslaní celého obrazu (%2 bajtov), skôr než pokladnica odpovedala</translation>
    </message>
    <message>
        <source>uploads cut off</source>
        <translation>odrezané nahrávania</translation>
    </message>
    <message>
        <source>%1 device: %2 uploaded, %3 failed, %4 declined</source>
        <translation>%1 zariadenie: nahraté %2, zlyhané %3, odmietnuté %4</translation>
    </message>
    <message>
        <source>%1 devices: %2 uploaded, %3 failed, %4 declined</source>
        <translation>zariadení %1: nahraté %2, zlyhané %3, odmietnuté %4</translation>
    </message>
    <message>
        <source>%1 checked</source>
        <translation>skontrolované %1</translation>
    </message>
    <message>
        <source>%1 verified</source>
        <translation>overené %1</translation>
    </message>
    <message>
        <source>%1 not back after the restart</source>
        <translation>po reštarte sa nevrátili %1</translation>
    </message>
    <message>
        <source>%1 not started (interrupted)</source>
        <translation>nezačaté %1 (prerušené)</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>zlyhané</translation>
    </message>
    <message>
        <source>unverified (not back)</source>
        <translation>neoverené (nevrátili sa)</translation>
    </message>
    <message>
        <source>not started</source>
        <translation>nezačaté</translation>
    </message>
    <message>
        <source>Update every device listed in FILE, one address a line (&quot;-&quot;: standard input; blank lines and # comments are skipped; an address named twice runs once).</source>
        <translation>Aktualizuje každé zariadenie zo SÚBORU, jedna adresa na riadok („-“: štandardný vstup; prázdne riadky a komentáre # sa preskočia; adresa uvedená dvakrát sa spustí raz).</translation>
    </message>
    <message>
        <source>Devices of a list updated at once, 1 to %1 (default %2).</source>
        <translation>Koľko zariadení zo zoznamu sa aktualizuje naraz, 1 až %1 (predvolene %2).</translation>
    </message>
    <message>
        <source>Find the registers in CIDR (at most a /%1) and print each with its version; uploads nothing.</source>
        <translation>Nájde pokladnice v CIDR (najviac /%1) a vypíše každú s jej verziou; nič nenahrá.</translation>
    </message>
    <message>
        <source>After an upload wait until the device answers again, at most SECONDS (default %1), and verify that it runs the image&apos;s version. A list does this by default; 0 turns it off.</source>
        <translation>Po nahraní čaká, kým zariadenie znova odpovie, najviac SEKUNDY (predvolene %1), a overí, že beží na verzii obrazu. Zoznam to robí predvolene; 0 to vypne.</translation>
    </message>
    <message>
        <source>--jobs needs a number from 1 to %1</source>
        <translation>--jobs potrebuje číslo od 1 do %1</translation>
    </message>
    <message>
        <source>--wait-restart needs a number of seconds from 0 to %1</source>
        <translation>--wait-restart potrebuje počet sekúnd od 0 do %1</translation>
    </message>
    <message>
        <source>--devices and --scan exclude each other; feed the scan to --devices - instead</source>
        <translation>--devices a --scan sa navzájom vylučujú; namiesto toho pošlite výsledok hľadania do --devices -</translation>
    </message>
    <message>
        <source>update available, from %1 to %2</source>
        <translation>aktualizácia k dispozícii, z %1 na %2</translation>
    </message>
    <message>
        <source>already on %1, this image&apos;s version</source>
        <translation>už na %1, verzii tohto obrazu</translation>
    </message>
    <message>
        <source>newer than this image: %1 installed, the image has %2</source>
        <translation>novšia než tento obraz: nainštalovaná %1, obraz má %2</translation>
    </message>
    <message>
        <source>the version cannot be read: the device names none</source>
        <translation>verzia sa nedá prečítať: zariadenie žiadnu neuvádza</translation>
    </message>
    <message>
        <source>the version cannot be read: &quot;%1&quot;</source>
        <translation>verzia sa nedá prečítať: „%1“</translation>
    </message>
    <message>
        <source>the version cannot be read: &quot;%1&quot;; nothing was sent</source>
        <translation>verzia sa nedá prečítať: „%1“; nič sa neodoslalo</translation>
    </message>
    <message>
        <source>ZEDEZ %1 in the register is newer than this image&apos;s %2. Install the older version?</source>
        <translation>ZEDEZ %1 v pokladnici je novší ako verzia tohto obrazu %2. Nahrať staršiu verziu?</translation>
    </message>
    <message>
        <source>not installed: the register has %1, newer than this image&apos;s %2 (--allow-older installs it)</source>
        <translation>nenahraté: pokladnica má %1, novšiu ako verzia tohto obrazu %2 (--allow-older ju nahrá)</translation>
    </message>
    <message>
        <source>interrupted before the image was sent</source>
        <translation>prerušené pred odoslaním obrazu</translation>
    </message>
    <message>
        <source>interrupted while waiting for the register to come back: the update is unverified</source>
        <translation>prerušené počas čakania na návrat pokladnice: aktualizácia je neoverená</translation>
    </message>
    <message>
        <source>%1 has %2, newer than this image&apos;s %3: an older version is installed only with --allow-older</source>
        <translation>%1 má %2, novšiu ako verzia tohto obrazu %3: staršia verzia sa nahrá len s --allow-older</translation>
    </message>
    <message>
        <source>; an upload would install it only with --allow-older</source>
        <translation>; nahrávanie by ho nahralo len s --allow-older</translation>
    </message>
    <message>
        <source>; an upload would send nothing</source>
        <translation>; nahrávanie by neodoslalo nič</translation>
    </message>
    <message>
        <source>Install the image also on a register whose version is newer (a downgrade); without it such a register is left as it is.</source>
        <translation>Nahrá obraz aj do pokladnice s novšou verziou (návrat na staršiu); bez tejto voľby taká pokladnica ostane, ako je.</translation>
    </message>
    <message>
        <source> (%1 characters)</source>
        <translation> (%1 znakov)</translation>
    </message>
    <message>
        <source>Cannot open the record file &quot;%1&quot;: %2</source>
        <translation>Súbor záznamu „%1“ sa nedá otvoriť: %2</translation>
    </message>
    <message>
        <source>The record file &quot;%1&quot; is no regular file</source>
        <translation>Súbor záznamu „%1“ nie je obyčajný súbor</translation>
    </message>
    <message>
        <source>Cannot lock the record file &quot;%1&quot;: %2</source>
        <translation>Súbor záznamu „%1“ sa nedá uzamknúť: %2</translation>
    </message>
    <message>
        <source>The record file &quot;%1&quot; stays locked by another process (waited %2 s)</source>
        <translation>Súbor záznamu „%1“ zostáva uzamknutý iným procesom (čakanie %2 s)</translation>
    </message>
    <message>
        <source>Cannot write to the record file &quot;%1&quot;: %2</source>
        <translation>Do súboru záznamu „%1“ sa nedá zapísať: %2</translation>
    </message>
    <message>
        <source>%1; nothing was sent</source>
        <translation>%1; nič sa neodoslalo</translation>
    </message>
    <message>
        <source>; an upload would ask first</source>
        <translation>; nahrávanie by sa najprv spýtalo</translation>
    </message>
    <message>
        <source>; an upload would go ahead without asking</source>
        <translation>; nahrávanie by pokračovalo bez otázky</translation>
    </message>
    <message>
        <source>state query to %1: %2</source>
        <translation>dopyt na stav na %1: %2</translation>
    </message>
    <message>
        <source>upload to %1: %2</source>
        <translation>nahrávanie na %1: %2</translation>
    </message>
    <message>
        <source>check failed: %1</source>
        <translation>kontrola zlyhala: %1</translation>
    </message>
    <message>
        <source> (installed %1, this image %2)</source>
        <translation> (nainštalovaná %1, tento obraz %2)</translation>
    </message>
    <message>
        <source>--headless needs a device address, --devices FILE or --scan CIDR</source>
        <translation>--headless potrebuje adresu zariadenia, --devices FILE alebo --scan CIDR</translation>
    </message>
    <message>
        <source>no device address, and the window needs a display (DISPLAY or WAYLAND_DISPLAY); to run without one, give the address: zedez-updater [--yes|--no] ADDRESS</source>
        <translation>chýba adresa zariadenia a okno potrebuje displej (DISPLAY alebo WAYLAND_DISPLAY); bez neho zadajte adresu: zedez-updater [--yes|--no] ADRESA</translation>
    </message>
    <message>
        <source>Print the records in FILE and the files after it as one table ordered by time, with a totals line (with an address: only that register; with --json: the lines as they are).</source>
        <translation>Vypíše záznamy z FILE a zo súborov za ním ako jednu tabuľku zoradenú podľa času, s riadkom súčtov (s adresou: len tú pokladnicu; s --json: riadky tak, ako sú).</translation>
    </message>
    <message>
        <source>With --history: only registers whose latest outcome is failed, not back, not started or interrupted.</source>
        <translation>S --history: len pokladnice, ktorých posledný výsledok je zlyhanie, nevrátenie sa, nezačatie alebo prerušenie.</translation>
    </message>
    <message>
        <source>With --history: only lines from DATE on (2026-12-01, or a time in UTC).</source>
        <translation>S --history: len riadky od DATE (2026-12-01 alebo čas v UTC).</translation>
    </message>
    <message>
        <source>The shop&apos;s name in the record (default: this PC&apos;s host name); with --history: only that site&apos;s lines.</source>
        <translation>Názov predajne v zázname (predvolene názov tohto počítača); s --history: len riadky tohto miesta.</translation>
    </message>
    <message>
        <source>With --history: only each register&apos;s latest line.</source>
        <translation>S --history: len posledný riadok každej pokladnice.</translation>
    </message>
    <message>
        <source>With --history: print the registers&apos; addresses, one a line, for --devices - (with --failed: what to run again).</source>
        <translation>S --history: vypíše adresy pokladníc, jednu na riadok, pre --devices - (s --failed: čo spustiť znova).</translation>
    </message>
    <message>
        <source>With --history: print the lines as CSV, for a spreadsheet.</source>
        <translation>S --history: vypíše riadky ako CSV pre tabuľkový procesor.</translation>
    </message>
    <message>
        <source>With --history: write a page of the chain to FILE: a table per site with each register&apos;s latest version and outcome, and a chart of the versions.</source>
        <translation>S --history: zapíše do FILE stránku siete predajní: tabuľku za každé miesto s poslednou verziou a výsledkom každej pokladnice a graf verzií.</translation>
    </message>
    <message>
        <source>--since needs a date (2026-12-01) or a time (2026-12-01T18:30:00Z)</source>
        <translation>--since potrebuje dátum (2026-12-01) alebo čas (2026-12-01T18:30:00Z)</translation>
    </message>
    <message>
        <source>--failed, --since, --latest, --addresses, --csv and --html need --history</source>
        <translation>--failed, --since, --latest, --addresses, --csv a --html potrebujú --history</translation>
    </message>
    <message>
        <source>--addresses, --csv and --json are three forms of the output: give one</source>
        <translation>--addresses, --csv a --json sú tri podoby výstupu: zadajte jednu</translation>
    </message>
    <message>
        <source>--history shows one register&apos;s lines, or every register&apos;s: give one address</source>
        <translation>--history ukazuje riadky jednej pokladnice alebo všetkých: zadajte jednu adresu</translation>
    </message>
    <message>
        <source>not back within %1 s</source>
        <translation>nevrátila sa do %1 s</translation>
    </message>
    <message>
        <source>%1 tries</source>
        <translation>pokusy: %1</translation>
    </message>
    <message>
        <source>uploaded</source>
        <translation>nahraté</translation>
    </message>
    <message>
        <source>declined</source>
        <translation>odmietnuté</translation>
    </message>
    <message>
        <source>checked</source>
        <translation>skontrolované</translation>
    </message>
    <message>
        <source>interrupted</source>
        <translation>prerušené</translation>
    </message>
    <message>
        <source>yes</source>
        <translation>áno</translation>
    </message>
    <message>
        <source>no</source>
        <translation>nie</translation>
    </message>
    <message>
        <source>TIME (UTC)</source>
        <translation>ČAS (UTC)</translation>
    </message>
    <message>
        <source>SITE</source>
        <translation>MIESTO</translation>
    </message>
    <message>
        <source>ADDRESS</source>
        <translation>ADRESA</translation>
    </message>
    <message>
        <source>VERSION BEFORE -&gt; AFTER</source>
        <translation>VERZIA PRED -&gt; PO</translation>
    </message>
    <message>
        <source>RESULT</source>
        <translation>VÝSLEDOK</translation>
    </message>
    <message>
        <source>VERIFIED</source>
        <translation>OVERENÉ</translation>
    </message>
    <message>
        <source>CAUSE</source>
        <translation>PRÍČINA</translation>
    </message>
    <message>
        <source>%1 lines are no record and were left out</source>
        <translation>riadky, ktoré nie sú záznamom, vynechané: %1</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>nie je obyčajný súbor</translation>
    </message>
    <message>
        <source>cannot read the record %1: %2</source>
        <translation>záznam %1 sa nedá čítať: %2</translation>
    </message>
    <message>
        <source>%1 addresses are no device address and were left out</source>
        <translation>adresy, ktoré nie sú adresou zariadenia, vynechané: %1</translation>
    </message>
    <message>
        <source>cannot write the page %1: %2</source>
        <translation>stránku %1 sa nedá zapísať: %2</translation>
    </message>
    <message>
        <source>Total: %1 lines, %2 registers at %3 sites</source>
        <translation>Spolu: riadky %1, pokladnice %2, miesta %3</translation>
    </message>
    <message>
        <source>not back</source>
        <translation>nevrátené</translation>
    </message>
    <message>
        <source>other</source>
        <translation>iné</translation>
    </message>
    <message>
        <source>Registers by installed version</source>
        <translation>Pokladnice podľa nainštalovanej verzie</translation>
    </message>
    <message>
        <source>%1 registers, %2 failing</source>
        <translation>pokladnice: %1, s chybou: %2</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Verzia</translation>
    </message>
    <message>
        <source>Outcome</source>
        <translation>Výsledok</translation>
    </message>
    <message>
        <source>Time (UTC)</source>
        <translation>Čas (UTC)</translation>
    </message>
    <message>
        <source>Cause</source>
        <translation>Príčina</translation>
    </message>
    <message>
        <source>ZEDEZ registers of the chain</source>
        <translation>Pokladnice ZEDEZ siete predajní</translation>
    </message>
    <message>
        <source>%1 registers at %2 sites, latest outcome of each (made %3 UTC)</source>
        <translation>Pokladnice: %1, miesta: %2, posledný výsledok každej (vytvorené %3 UTC)</translation>
    </message>
    <message>
        <source>%1 failing (failed, not back, not started or interrupted)</source>
        <translation>S chybou: %1 (zlyhané, nevrátené, nezačaté alebo prerušené)</translation>
    </message>
    <message>
        <source>Versions installed</source>
        <translation>Nainštalované verzie</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Adresa</translation>
    </message>
    <message>
        <source>Print the results and causes only: no progress, waits or summary.</source>
        <translation>Vypíše len výsledky a príčiny: bez priebehu, čakania a súhrnu.</translation>
    </message>
    <message>
        <source>--quiet and --verbose exclude each other</source>
        <translation>--quiet a --verbose sa navzájom vylučujú</translation>
    </message>
    <message>
        <source>FILE</source>
        <translation>SÚBOR</translation>
    </message>
    <message>
        <source>N</source>
        <translation>N</translation>
    </message>
    <message>
        <source>CIDR</source>
        <translation>CIDR</translation>
    </message>
    <message>
        <source>SECONDS</source>
        <translation>SEKUNDY</translation>
    </message>
    <message>
        <source>address</source>
        <translation>adresa</translation>
    </message>
    <message>
        <source>[Y/n]</source>
        <extracomment>The choices shown after a question whose default is yes (an empty answer).</extracomment>
        <translation>[A/n]</translation>
    </message>
    <message>
        <source>reading the registers&apos; versions: %1 of %2</source>
        <translation>čítam verzie pokladníc: %1 z %2</translation>
    </message>
    <message>
        <source>%1 registers: %2 to update, %3 current (skipped: --no), %4 newer (skipped: --no), %5 unreadable, %6 not answering</source>
        <translation>pokladnice: %1; na aktualizáciu %2, aktuálne %3 (preskočia sa: --no), novšie %4 (preskočia sa: --no), nečitateľné %5, neodpovedá %6</translation>
    </message>
    <message>
        <source>%1 registers: %2 to update, %3 current (ask), %4 newer (ask), %5 unreadable, %6 not answering</source>
        <translation>pokladnice: %1; na aktualizáciu %2, aktuálne %3 (opýtam sa), novšie %4 (opýtam sa), nečitateľné %5, neodpovedá %6</translation>
    </message>
    <message>
        <source>newer</source>
        <translation>novšie</translation>
    </message>
    <message>
        <source>unreadable version</source>
        <translation>nečitateľná verzia</translation>
    </message>
    <message>
        <source>not answering</source>
        <translation>neodpovedá</translation>
    </message>
    <message>
        <source>Continue?</source>
        <translation>Pokračovať?</translation>
    </message>
    <message>
        <source>%1 device checked: %2 to update, %3 current, %4 newer, %5 unreadable, %6 failed</source>
        <translation>skontrolované zariadenia: %1; na aktualizáciu %2, aktuálne %3, novšie %4, nečitateľné %5, zlyhalo %6</translation>
    </message>
    <message>
        <source>%1 devices checked: %2 to update, %3 current, %4 newer, %5 unreadable, %6 failed</source>
        <translation>skontrolované zariadenia: %1; na aktualizáciu %2, aktuálne %3, novšie %4, nečitateľné %5, zlyhalo %6</translation>
    </message>
    <message>
        <source>declined: no register was changed</source>
        <translation>odmietnuté: žiadna pokladnica sa nezmenila</translation>
    </message>
    <message>
        <source>connection refused</source>
        <translation>spojenie odmietnuté</translation>
    </message>
    <message>
        <source>connection timed out</source>
        <translation>čas na spojenie vypršal</translation>
    </message>
    <message>
        <source>connection reset by peer</source>
        <translation>spojenie zrušila druhá strana</translation>
    </message>
    <message>
        <source>software caused connection abort</source>
        <translation>spojenie sa prerušilo</translation>
    </message>
    <message>
        <source>no route to host</source>
        <translation>k počítaču niet cesty</translation>
    </message>
    <message>
        <source>network is unreachable</source>
        <translation>sieť je nedosiahnuteľná</translation>
    </message>
    <message>
        <source>host is down</source>
        <translation>počítač nebeží</translation>
    </message>
    <message>
        <source>host not found</source>
        <translation>počítač sa nenašiel</translation>
    </message>
    <message>
        <source>connect timed out</source>
        <translation>čas na pripojenie vypršal</translation>
    </message>
    <message>
        <source>read timed out</source>
        <translation>čas na čítanie vypršal</translation>
    </message>
    <message>
        <source>connection closed gracefully</source>
        <translation>spojenie ukončila druhá strana</translation>
    </message>
    <message>
        <source>%1 / %2 bytes  %3%  handed to the network at %4 KiB/s</source>
        <translation>%1 / %2 bajtov  %3 %  odovzdané do siete rýchlosťou %4 KiB/s</translation>
    </message>
    <message>
        <source>reading the state, %1 s of at most %2 s</source>
        <translation>čítam stav, %1 s z najviac %2 s</translation>
    </message>
    <message>
        <source>sending, %1 of %2 KiB handed to the network, %3 s</source>
        <translation>odosielam, %1 z %2 KiB odovzdaných do siete, %3 s</translation>
    </message>
    <message>
        <source>waiting for the answer, %1 s of at most %2 s</source>
        <translation>čakám na odpoveď, %1 s z najviac %2 s</translation>
    </message>
    <message>
        <source>restarting, waiting to come back, %1 s of at most %2 s</source>
        <translation>reštartuje sa, čakám na návrat, %1 s z najviac %2 s</translation>
    </message>
    <message>
        <source>verifying the version, %1 s</source>
        <translation>overujem verziu, %1 s</translation>
    </message>
    <message>
        <source>... and %1 more under way</source>
        <translation>... a ďalšie rozbehnuté: %1</translation>
    </message>
    <message>
        <source>%1 of %2 done: %3 updated, %4 failed, %5 declined; %6 spent</source>
        <translation>hotové %1 z %2: aktualizované %3, zlyhalo %4, odmietnuté %5; uplynulo %6</translation>
    </message>
    <message>
        <source>, about %1 left</source>
        <translation>, zostáva asi %1</translation>
    </message>
    <message>
        <source>DATE</source>
        <translation>DÁTUM</translation>
    </message>
    <message>
        <source>NAME</source>
        <translation>NÁZOV</translation>
    </message>
    <message>
        <source>--retry needs a device address or a list of devices (--devices)</source>
        <translation>--retry potrebuje adresu zariadenia alebo zoznam zariadení (--devices)</translation>
    </message>
    <message>
        <source>--retry-delay does nothing without --retry</source>
        <translation>--retry-delay bez --retry nič nerobí</translation>
    </message>
    <message>
        <source>Try a register again, up to N more times (at most %1), when it refused the connection or did not answer, before any byte of the image could have been sent; never once it answered the upload. Default: no retry.</source>
        <translation>Skúsi pokladnicu znova, najviac N ďalších razí (najviac %1), keď odmietla spojenie alebo neodpovedala skôr, než mohol odísť čo i len bajt obrazu; nikdy, keď už na nahrávanie odpovedala. Predvolene sa neskúša znova.</translation>
    </message>
    <message>
        <source>Wait SECONDS before each further try, 0 to %1 (default %2).</source>
        <translation>Pred každým ďalším pokusom počká SEKUNDY, 0 až %1 (predvolene %2).</translation>
    </message>
    <message>
        <source>--retry needs a number from 0 to %1</source>
        <translation>--retry potrebuje číslo od 0 do %1</translation>
    </message>
    <message>
        <source>--retry-delay needs a number of seconds from 0 to %1</source>
        <translation>--retry-delay potrebuje počet sekúnd od 0 do %1</translation>
    </message>
    <message>
        <source>trying again in %1 s (try %2 of %3)</source>
        <translation>skúsim znova o %1 s (pokus %2 z %3)</translation>
    </message>
</context>
</TS>
