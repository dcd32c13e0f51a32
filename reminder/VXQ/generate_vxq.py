#!/usr/bin/env python3
"""Writes the reminder dialog's message files, one per language code, beside this script.

The program reads them with GetPrivateProfileStringW, which takes UTF-16LE only with its
byte-order mark, so every file carries one. Run it again after changing a text below.
"""
import pathlib

# Code: (S032 the reminder message, S075 the check box, S076 the button).
# Each text fits one line of a 387-pixel control at 8-10 pt; the French "!" keeps its
# no-break space so it never wraps apart from the sentence.
TEXTS = {
    "0409": ("Replace your wireless keyboard battery!", "Remind me later", "OK"),
    "0401": ("استبدل بطارية لوحة المفاتيح اللاسلكية!", "ذكّرني لاحقًا", "موافق"),
    "0404": ("請更換無線鍵盤的電池！", "稍後再提醒我", "確定"),
    "0804": ("请更换无线键盘的电池！", "稍后提醒我", "确定"),
    "0405": ("Vyměňte baterii bezdrátové klávesnice!", "Připomenout později", "OK"),
    "0406": ("Udskift batteriet i det trådløse tastatur!", "Påmind mig senere", "OK"),
    "0407": ("Ersetzen Sie die Batterie Ihrer Funktastatur!", "Später erinnern", "OK"),
    "0408": ("Αλλάξτε την μπαταρία του ασύρματου πληκτρολογίου!", "Υπενθύμιση αργότερα", "OK"),
    "040a": ("¡Cambie la batería de su teclado inalámbrico!", "Recordármelo más tarde", "Aceptar"),
    "080a": ("¡Cambie la pila de su teclado inalámbrico!", "Recordarme más tarde", "Aceptar"),
    "040b": ("Vaihda langattoman näppäimistön paristo!", "Muistuta myöhemmin", "OK"),
    "040c": ("Remplacez la pile de votre clavier sans fil\u00a0!", "Me le rappeler plus tard", "OK"),
    "040d": ("החלף את הסוללה של המקלדת האלחוטית!", "הזכר לי מאוחר יותר", "אישור"),
    "040e": ("Cserélje ki a vezeték nélküli billentyűzet elemét!", "Emlékeztessen később", "OK"),
    "0410": ("Sostituire la batteria della tastiera wireless!", "Ricordamelo più tardi", "OK"),
    "0411": ("ワイヤレス キーボードの電池を交換してください！", "後で通知する", "OK"),
    "0412": ("무선 키보드의 배터리를 교체하십시오!", "나중에 알림", "확인"),
    "0413": ("Vervang de batterij van uw draadloze toetsenbord!", "Later herinneren", "OK"),
    "0414": ("Bytt batteriet i det trådløse tastaturet!", "Påminn meg senere", "OK"),
    "0415": ("Wymień baterię w klawiaturze bezprzewodowej!", "Przypomnij mi później", "OK"),
    "0416": ("Troque a bateria do seu teclado sem fio!", "Lembrar mais tarde", "OK"),
    "0816": ("Substitua a pilha do teclado sem fios!", "Lembrar-me mais tarde", "OK"),
    "0419": ("Замените батарейку беспроводной клавиатуры!", "Напомнить позже", "ОК"),
    "041b": ("Vymeňte batériu bezdrôtovej klávesnice!", "Pripomenúť neskôr", "OK"),
    "041d": ("Byt batteriet i det trådlösa tangentbordet!", "Påminn mig senare", "OK"),
    "041e": ("กรุณาเปลี่ยนแบตเตอรี่ของคีย์บอร์ดไร้สาย!", "เตือนฉันภายหลัง", "ตกลง"),
    "041f": ("Kablosuz klavyenizin pilini değiştirin!", "Daha sonra hatırlat", "Tamam"),
}


def contents(texts):
    s032, s075, s076 = texts
    lines = ["[MSG]", f"S032={s032}", f"S075={s075}", f"S076={s076}", ""]
    return "\r\n".join(lines)


def main():
    here = pathlib.Path(__file__).resolve().parent
    for code, texts in sorted(TEXTS.items()):
        # "utf-16" would pick the machine's byte order; the BOM is written by hand.
        data = b"\xff\xfe" + contents(texts).encode("utf-16-le")
        (here / f"LNG_{code}.vxq").write_bytes(data)


if __name__ == "__main__":
    main()
