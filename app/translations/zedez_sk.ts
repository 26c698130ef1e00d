<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="sk_SK">
    <context>
        <name>zedez</name>
        <message>
            <source>no terminal to answer "%1": the answer is Cancel (--yes uploads anyway)</source>
            <translation>niet terminálu na odpoveď „%1“: odpoveď je Zrušiť (--yes nahrá aj tak)</translation>
        </message>
        <message>
            <source>Updates ZEDEZ in a Brenvo Tesmora cash register. Without an address the window opens;
with one the update runs at once and the program ends by itself.

Exit codes: a device list, a scan, a check and --history give theirs always; the single
update gives 0 unless --exit-status is given.
  0  uploaded (and verified, when waited for), or checked
  1  failed, not back after the restart, not started, or a record not written
  2  declined: the device is current and the answer was No
  3  nothing to do: the device list names no device
  64 a wrong command line</source>
            <translation>Aktualizuje ZEDEZ v pokladnici Brenvo Tesmora. Bez adresy sa otvorí okno;
s adresou sa aktualizácia spustí hneď a program skončí sám.

Návratové kódy: zoznam zariadení, hľadanie, kontrola a --history ich dávajú vždy; jedna
aktualizácia dáva 0, ak nie je zadané --exit-status.
  0  nahraté (a overené, ak sa čakalo), alebo skontrolované
  1  zlyhané, po reštarte sa nevrátilo, nezačaté, alebo záznam nezapísaný
  2  odmietnuté: zariadenie je aktuálne a odpoveď bola Nie
  3  niet čo robiť: zoznam zariadení neobsahuje žiadne zariadenie
  64 nesprávny príkazový riadok</translation>
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
            <translation>Pripíše do FILE jeden riadok JSON na zariadenie: čas, počítač, používateľa, adresu, verzie pred a po, obraz, výsledok, overenie, príčinu.</translation>
        </message>
        <message>
            <source>Print the record in FILE as a table, newest last (with an address: only that device; with --json: the lines as they are).</source>
            <translation>Vypíše záznam z FILE ako tabuľku, najnovšie na konci (s adresou: len to zariadenie; s --json: riadky tak, ako sú).</translation>
        </message>
        <message>
            <source>The cash register's address (an IPv4 address or a host name).</source>
            <translation>Adresa pokladnice (adresa IPv4 alebo meno počítača).</translation>
        </message>
        <message>
            <source>a second address "%1": give one address, or a list of them with --devices</source>
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
            <source>Try 'zedez-updater --help'.</source>
            <translation>Skúste 'zedez-updater --help'.</translation>
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
            <source>asking %1 addresses of %2, 64 at once (at most %3 s each)</source>
            <translation>pýtam sa %1 adries z %2, 64 naraz (každej najviac %3 s)</translation>
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
            <source>"%1" is no device address: give an IPv4 address or a host name, without port, scheme or path</source>
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
            <source>Update every device listed in FILE, one address a line ("-": standard input; blank lines and # comments are skipped; an address named twice runs once).</source>
            <translation>Aktualizuje každé zariadenie zo súboru FILE, jedna adresa na riadok („-“: štandardný vstup; prázdne riadky a komentáre # sa preskočia; adresa uvedená dvakrát sa spustí raz).</translation>
        </message>
        <message>
            <source>Devices of a list updated at once, 1 to %1 (default %2).</source>
            <translation>Koľko zariadení zo zoznamu sa aktualizuje naraz, 1 až %1 (predvolene %2).</translation>
        </message>
        <message>
            <source>Find the registers in CIDR (at most a /16) and print each with its version; uploads nothing.</source>
            <translation>Nájde pokladnice v CIDR (najviac /16) a vypíše každú s jej verziou; nič nenahrá.</translation>
        </message>
        <message>
            <source>After an upload wait until the device answers again, at most SECONDS (default %1), and verify that it runs the image's version. A list does this by default; 0 turns it off.</source>
            <translation>Po nahraní čaká, kým zariadenie znova odpovie, najviac SECONDS sekúnd (predvolene %1), a overí, že beží na verzii obrazu. Zoznam to robí predvolene; 0 to vypne.</translation>
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
            <source>already on %1, this image's version</source>
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
            <source>the version cannot be read: "%1"</source>
            <translation>verzia sa nedá prečítať: „%1“</translation>
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
            <source>verification failed: %1</source>
            <translation>overenie zlyhalo: %1</translation>
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
    </context>
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
            <source>Unknown option '%1'.</source>
            <translation>Neznáma voľba '%1'.</translation>
        </message>
        <message>
            <source>Unknown options: %1.</source>
            <translation>Neznáme voľby: %1.</translation>
        </message>
        <message>
            <source>Missing value after '%1'.</source>
            <translation>Chýba hodnota po '%1'.</translation>
        </message>
        <message>
            <source>Unexpected value after '%1'.</source>
            <translation>Nečakaná hodnota po '%1'.</translation>
        </message>
    </context>
</TS>
